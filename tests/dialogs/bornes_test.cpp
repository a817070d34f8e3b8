// Numbers typed beyond a field's range in the start-up dialogs: kept as
// typed and shown in red, the range in the tooltip, and OK naming the field
// and its limit instead of taking a different number.
#include "dialogs/bornes.h"

#include "dialogs/dialog_support.h"
#include "dialogs/dynrovdialog.h"
#include "dialogs/geodialog.h"
#include "dialogs/mntdialog.h"
#include "dialogs/roverdialog.h"
#include "rover/dynrover.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

// types `text` over the field's content, as a user does
void type(QAbstractSpinBox* field, const char* text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
}

TEST(TypedValues, BeyondTheRangeStayAsTypedAndOkNamesTheFieldWithItsLimit)
{
    std::unique_ptr<DynRover, void (*)(void*)> rover(
        static_cast<DynRover*>(std::calloc(1, sizeof(DynRover))), std::free);
    rover->voie = 1.0;
    Mnt mnt = defaults();
    const struct {
        std::function<QDialog*()> dialog;
        const char* field;
        const char* typed;
        const char* valid;
        const char* range;
        QString box;
    } rows[] = {
        {[&] { return new GeoDialog(rover.get()); }, "doubleSpinBox_Inclinaison", "45", "44.5",
         "de 0.00 à 44.67",
         "Géométrie du rover|« Inclinaison pivot (dg) » vaut au plus 44.67 (45.00 saisi)."},
        {[&] { return new GeoDialog(rover.get()); }, "doubleSpinBox_Voie", "0", "0.5",
         "de 0.01 à 99.99",
         "Géométrie du rover|« Taille (voie en m) » vaut au moins 0.01 (0.00 saisi)."},
        {[&] { return new RoverDialog(rover.get(), 40); }, "spinBox_dtime", "0", "20",
         "de 1 à 10000",
         "Configuration du rover|« Période d'affichage/enregistrement (ms) » vaut au moins 1 "
         "(0 saisi)."},
        {[&] { return new MntDialog(&mnt); }, "doubleSpinBox_coefH", "99999999", "2",
         "de 0.01 à 100.00",
         "Terrain|« Coef. multiplicateur en Z » vaut au plus 100.00 (99999999.00 saisi)."},
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
        EXPECT_EQ(field->text(), row.typed) << row.field;
        EXPECT_NE(field->palette().color(QPalette::Text), plain) << row.field;
        d->accept();
        EXPECT_NE(d->result(), QDialog::Accepted) << row.field;
        EXPECT_EQ(modals.boxes, QStringList(row.box)) << modals.boxes.join("\n").toStdString();
        EXPECT_TRUE(field->isVisibleTo(d.get())) << row.field;
        // a number within the range is taken, in the field's usual colour
        type(field, row.valid);
        EXPECT_EQ(field->palette().color(QPalette::Text), plain) << row.field;
        d->accept();
        EXPECT_EQ(d->result(), QDialog::Accepted) << row.field;
        EXPECT_EQ(modals.boxes.size(), 1) << modals.boxes.join("\n").toStdString();
    }
}

}  // namespace
