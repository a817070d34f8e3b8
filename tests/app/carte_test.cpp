// "Carte de franchissabilité": the map of the default terrain computed in the
// background, draped on the terrain with its legend, then taken off. With
// KADMER_CARTE_SCREENSHOT=file.png the view is saved (docs/screenshot-map.png).
#include "support.h"

#include "app/franchissabilite.h"
#include "app/scenario.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <cstdlib>
#include <gtest/gtest.h>

#include "support/eventually.h"

namespace {

// pixels much greener than they are red or blue: the draped safe cells
int verts(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QRgb p = image.pixel(x, y);
            n += qGreen(p) > qRed(p) + 40 && qGreen(p) > qBlue(p) + 40;
        }
    return n;
}

using CarteFenetre = MainWindowTest;

TEST_F(CarteFenetre, MapIsDrapedWithItsLegendThenTakenOff)
{
    QAction* carte = actionNamed(k, QString::fromUtf8("Carte de franchissabilité"));
    ASSERT_NE(carte, nullptr);
    const int avant = verts(k->grabFrameBuffer());
    carte->trigger();
    // the view goes on while the map is computed
    EXPECT_TRUE(k->franchissabilite->enCours() || k->scenario->carteList != 0);
    ASSERT_TRUE(eventually([&] { return k->scenario->carteList != 0; }));
    EXPECT_NE(k->carteLabel->text().indexOf(QString::fromUtf8("vert")), -1) << k->carteLabel->text().toStdString();
    k->updateGL();
    const QImage image = k->grabFrameBuffer();
    const int avec = verts(image);
    if (const char* f = std::getenv("KADMER_CARTE_SCREENSHOT"))
        image.save(f);
    EXPECT_GT(avec, avant + 1000);

    carte->trigger();
    EXPECT_EQ(k->scenario->carteList, 0);
    EXPECT_TRUE(k->carteLabel->text().isEmpty());
    k->updateGL();
    EXPECT_LT(verts(k->grabFrameBuffer()), avant + 100);
}

} // namespace
