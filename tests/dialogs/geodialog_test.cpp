// The geometry dialog: track width, pivot inclination in degrees, linkage shape;
// numbers typed beyond a field's range in the start-up dialogs.
#include "dialogs/geodialog.h"

#include "dialogs/dynrovdialog.h"

#include "dialogs/dialog_support.h"
#include "rover/confrover.h"
#include "rover/dynrover.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QTest>
#include <functional>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct Rover {
    Rover() : r(static_cast<DynRover*>(calloc(1, sizeof(DynRover)))) {}
    ~Rover() { free(r); }
    DynRover* r;
};

TEST(GeoDialog, DefaultsComeBackUnchanged)
{
    Rover rv;
    rv.r->voie = 1.0;
    GeoDialog d(rv.r);
    EXPECT_EQ(d.windowTitle(), "Dialog");
    EXPECT_EQ(d.size(), QSize(438, 156));
    EXPECT_EQ(text(&d, "label_Quadri"), "Parallélogramme");
    rv.r->voie = rv.r->inclinaison = -5.0;
    rv.r->quadri = 7;
    d.litGeo(rv.r);
    EXPECT_EQ(rv.r->voie, 1.0);
    EXPECT_EQ(rv.r->inclinaison, 0.0);
    EXPECT_EQ(rv.r->quadri, 0);
}

TEST(GeoDialog, InclinationIsShownInDegreesToTwoDecimals)
{
    Rover rv;
    rv.r->voie = 1.0;
    rv.r->inclinaison = 0.2;
    GeoDialog d(rv.r);
    EXPECT_DOUBLE_EQ(spin(&d, "doubleSpinBox_Inclinaison"), 11.46);
    d.litGeo(rv.r);
    // 11.46 degrees back in radians, not the 0.2 shown
    EXPECT_DOUBLE_EQ(rv.r->inclinaison, 11.46 * 3.141592653589793 / 180.0);
    EXPECT_NEAR(rv.r->inclinaison, 0.20001473227, 1e-11);
}

TEST(GeoDialog, OutOfRangeSettingsAreClamped)
{
    Rover rv;
    rv.r->voie = 150.0;
    rv.r->inclinaison = 2.0;  // 114.6 degrees
    GeoDialog d(rv.r);
    d.litGeo(rv.r);
    EXPECT_DOUBLE_EQ(rv.r->voie, 99.99);
    // the inclination stops below the model's limit, 44.676 degrees, at the
    // field's two decimals
    EXPECT_DOUBLE_EQ(rv.r->inclinaison, 44.67 * 3.141592653589793 / 180.0);
    EXPECT_LT(rv.r->inclinaison, inclinaison_max());
    EXPECT_TRUE(child<QWidget>(&d, "doubleSpinBox_Inclinaison")->toolTip().contains("44.67"));

    // a track of zero width cannot be entered either
    setSpin(&d, "doubleSpinBox_Voie", -1.0);
    setSpin(&d, "doubleSpinBox_Inclinaison", -10.0);
    d.litGeo(rv.r);
    EXPECT_EQ(rv.r->voie, 0.01);
    EXPECT_EQ(rv.r->inclinaison, 0.0);
    // and the extremes build a rover
    ConfRover cr = {};
    EXPECT_EQ(geodir_rover(&cr, 0.01, 44.67 * 3.141592653589793 / 180.0, 1), nullptr);
}

TEST(GeoDialog, LinkageLabelFollowsTheCheckBox)
{
    Rover rv;
    rv.r->voie = 1.0;
    rv.r->quadri = 1;
    GeoDialog d(rv.r);
    QCheckBox* quadri = child<QCheckBox>(&d, "checkBox_FlagQuadri");
    EXPECT_TRUE(quadri->isChecked());
    EXPECT_EQ(text(&d, "label_Quadri"), "quelconque");
    quadri->setChecked(false);
    EXPECT_EQ(text(&d, "label_Quadri"), "parallélogramme");
    d.litGeo(rv.r);
    EXPECT_EQ(rv.r->quadri, 0);
    quadri->setChecked(true);
    EXPECT_EQ(text(&d, "label_Quadri"), "quelconque");
    d.litGeo(rv.r);
    EXPECT_EQ(rv.r->quadri, 1);
}

// a number typed beyond a start-up dialog's field stays as typed, in red,
// the range in the tooltip, and OK names the field with its limit
// types `text` over the field's content, as a user does
void type(QAbstractSpinBox* field, const char* text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
}

TEST(TypedValues, BeyondTheRangeStayAsTypedAndOkNamesTheFieldWithItsLimit)
{
    Rover rv;
    const struct {
        std::function<QDialog*()> dialog;
        const char *field, *typed, *valid, *range;
        QString box;
    } rows[] = {
        {[&] { return new GeoDialog(rv.r); }, "doubleSpinBox_Inclinaison", "45", "44.5",
         "de 0.00 à 44.67",
         "Géométrie du rover|« Inclinaison pivot (dg) » vaut au plus 44.67 (45.00 saisi)."},
        // a field of a body not shown: named with its body and box, and shown
        {[&] { return new DynRovDialog(); }, "doubleSpinBox_xwAD", "-7", "-0.5",
         "de -1.000 à 1.000",
         "Données dynamiques par corps|« ROUE — Position CDG — x » vaut au moins -1.000 "
         "(-7.000 saisi)."},
    };
    for (const auto& row : rows) {
        Modals modals;
        std::unique_ptr<QDialog> d(row.dialog());
        QAbstractSpinBox* field = child<QAbstractSpinBox>(d.get(), row.field);
        EXPECT_TRUE(field->toolTip().contains(row.range)) << field->toolTip().toStdString();
        const QColor plain = field->palette().color(QPalette::Text);
        type(field, row.typed);
        EXPECT_EQ(field->text(), row.typed);
        EXPECT_NE(field->palette().color(QPalette::Text), plain);
        d->accept();
        EXPECT_NE(d->result(), QDialog::Accepted);
        EXPECT_EQ(modals.boxes, QStringList(row.box)) << modals.boxes.join("\n").toStdString();
        EXPECT_TRUE(field->isVisibleTo(d.get()));
        // a number within the range is taken, in the field's usual colour
        type(field, row.valid);
        EXPECT_EQ(field->palette().color(QPalette::Text), plain);
        d->accept();
        EXPECT_EQ(d->result(), QDialog::Accepted) << row.field;
    }
}

}  // namespace
