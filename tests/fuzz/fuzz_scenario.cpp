// Scenario file reader: any bytes as a scenario file. A refused file names a
// key or the place of a syntax fault; an accepted one holds values in their
// ranges, and written back it reads again to the same text.
#include "scenario/scenariofile.h"

#include <cmath>
#include <string>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string texte(reinterpret_cast<const char*>(data), size);
    ScenarioFile s;
    // relative paths are looked for under a folder that does not exist, so an
    // input names no real file but the absolute ones
    const std::string message = litScenarioTexte(texte, "/nonexistent-kadmer-fuzz", &s);
    if (!message.empty()) {
        // "key : reason", or the syntax fault with its place
        FUZZ_CHECK(message.find(" : ") != std::string::npos ||
                   message.rfind("JSON illisible", 0) == 0);
        return 0;
    }
    FUZZ_CHECK(s.voie > 0.0 && s.inclinaison >= 0.0 && s.inclinaison < 90.0);
    FUZZ_CHECK(s.periode >= 1 && s.periode <= 10000);
    FUZZ_CHECK(s.verbosite >= 0 && s.verbosite <= 200);
    FUZZ_CHECK(s.cellule > 0.0 && s.xmax > s.xmin && s.ymax > s.ymin);
    FUZZ_CHECK(s.forme >= 0 && s.forme <= 2 && s.modele >= 0 && s.modele <= 2);
    FUZZ_CHECK(s.c1 >= 0.0 && s.c2 >= 0.0 && s.c1 + s.c2 < 1.0 && s.n1 >= 0.0);
    FUZZ_CHECK(s.phi0 > 0.0 && s.phi0 < 90.0);
    FUZZ_CHECK(s.duree >= 0.0 && s.duree <= 1.0e6);
    for (size_t k = 1; k < s.commandes.size(); ++k)
        FUZZ_CHECK(s.commandes[k].t >= s.commandes[k - 1].t);
    for (const ZoneScenario& z : s.zones)
        FUZZ_CHECK(z.R > 0.0 && std::isfinite(z.X) && z.phi >= 0.0 && z.phi < 90.0);
    FUZZ_CHECK(s.aPlan || (s.planCommandes.empty() && s.rapport.empty()));
    FUZZ_CHECK(!s.aPlan || (!s.planCommandes.empty() && s.commandes.empty()));
    for (const CommandePlan& k : s.planCommandes) {
        FUZZ_CHECK(k.type >= PlanArc && k.type <= PlanPoint && k.vitesse >= 0.0);
        FUZZ_CHECK(k.type != PlanArc || (k.rayon != 0.0 && std::isfinite(k.longueur)));
        FUZZ_CHECK(k.type != PlanPoint || (k.tolerance > 0.0 && k.delai >= 0.0));
        // a generated terrain's extent is known to the reader
        FUZZ_CHECK(k.type != PlanPoint || !s.terrainFichier.empty() || !s.raster.empty() ||
                   (k.x >= s.xmin && k.x <= s.xmax));
    }
    for (const ZoneInterdite& z : s.zonesInterdites)
        FUZZ_CHECK(z.rayon > 0.0);
    FUZZ_CHECK(!(s.limites.glissement <= 0.0) && !(s.limites.glissement > 1.0));
    FUZZ_CHECK(s.limites.controleGlissement > 0.0);

    // written and read back: the same scenario, so the same text
    const std::string ecrit = texteScenario(s);
    ScenarioFile relu;
    FUZZ_CHECK(litScenarioTexte(ecrit, "", &relu).empty());
    FUZZ_CHECK(texteScenario(relu) == ecrit);
    return 0;
}
