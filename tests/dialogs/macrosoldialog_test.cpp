// The macro soil dialog: zones from the scenario or a file, edited, saved,
// and handed to the scenario only when accepted.
#include "dialogs/macrosoldialog.h"

#include "app/scenario_dialogs.h"
#include "dialogs/dialog_support.h"

#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

// one 12-line block of the soil data file
QByteArray block(int level, double x, double c)
{
    return QString("Zone %1\nhzone = %1 (Hierarchie de la zone)\nX, Y, R = %2 0.0, 5.0 en metres\n"
                   "c = %3\nphi = 30.0 en degres\nXc = 20.0 en degres\nkc = 1000.0\n"
                   "kphi = 200000.0\nn = 1.1\nrhod = 1500.0\nlbda = 0.8\nK = 0.02\n")
        .arg(level)
        .arg(x)
        .arg(c)
        .toLatin1();
}

std::vector<double> cohesions(const ZonesSol& zs)
{
    std::vector<double> c;
    for (const ZoneSol* z = zs.premiere; z; z = z->suivante)
        c.push_back(z->c);
    return c;
}

TEST(MacroSolDialog, UntouchedDialogLeavesTheScenarioZone)
{
    Zones scenario;
    litZones(&scenario.z, nullptr);
    MacroSolDialog d(&scenario.z);
    EXPECT_EQ(text(&d, "label_Fichier"), "Inutilisé");
    EXPECT_EQ(text(&d, "label_Data_internes"), "Données internes initiales");
    d.litMacroSol();
    ASSERT_EQ(scenario.z.nbZones, 1);
    const ZoneSol* z = scenario.z.premiere;
    EXPECT_EQ(z->R, 9999.0);
    EXPECT_EQ(z->c, 1150.0);
    EXPECT_DOUBLE_EQ(z->phi, 0.4886921905584123);
    EXPECT_DOUBLE_EQ(z->tanPhi, 0.5317094316614788);
    EXPECT_EQ(z->suivante, nullptr);
}

TEST(MacroSolDialog, FileZonesEditedInTheEditorReachTheScenario)
{
    QTemporaryDir dir;
    const QString path =
        writeFile(dir, "sol.txt", block(1, 1.0, 100.0) + block(2, 2.0, 200.0) + block(3, 3.0, 300.0));
    Zones scenario;
    litZones(&scenario.z, nullptr);
    Modals modals;
    MacroSolDialog d(&scenario.z);
    modals.fileAnswers << path;
    click(&d, "radioButton_DynFichier");
    EXPECT_EQ(modals.fileCaptions.last(), "Fichier de données macro-sol existant ?");
    EXPECT_EQ(text(&d, "label_Fichier"), "Fichier sol.txt chargé");
    EXPECT_FALSE(child<QLabel>(&d, "label_Data_internes")->isEnabled());

    modals.onExec = [](QDialog* editor) {
        EXPECT_EQ(text(editor, "label_nZones"), "Nombre de zones : 3");
        EXPECT_EQ(text(editor, "label_nomZone"), "Zone 1");
        click(editor, "pushButton_next");
        setSpin(editor, "DoubleSpinBox_c", 250.0);
        click(editor, "pushButton_valide");
        return int(QDialog::Accepted);
    };
    click(&d, "pushButton_EditDatadyn");
    EXPECT_EQ(modals.executed, QStringList("BacSableDialog"));
    EXPECT_EQ(text(&d, "label_Fichier"), "Données fichier modifiées");
    EXPECT_EQ(cohesions(scenario.z), std::vector<double>({1150.0}));

    d.litMacroSol();
    EXPECT_EQ(scenario.z.nbZones, 3);
    EXPECT_EQ(cohesions(scenario.z), std::vector<double>({100.0, 250.0, 300.0}));
    EXPECT_STREQ(scenario.z.premiere->suivante->suivante->nom, "Zone 3");
    EXPECT_TRUE(modals.boxes.isEmpty());
}

TEST(MacroSolDialog, CancelledEditorDropsTheFileZones)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "sol.txt", block(1, 1.0, 100.0) + block(2, 2.0, 200.0));
    Zones scenario;
    litZones(&scenario.z, nullptr);
    Modals modals;
    MacroSolDialog d(&scenario.z);
    modals.fileAnswers << path;
    click(&d, "radioButton_DynFichier");
    modals.onExec = [](QDialog* editor) {
        click(editor, "pushButton_add");
        return int(QDialog::Rejected);
    };
    click(&d, "pushButton_EditDatadyn");
    // the editor now shows the scenario's zone again
    modals.onExec = [](QDialog* editor) {
        EXPECT_EQ(text(editor, "label_nZones"), "Nombre de zones : 1");
        EXPECT_EQ(spin(editor, "DoubleSpinBox_c"), 1150.0);
        return int(QDialog::Accepted);
    };
    click(&d, "pushButton_EditDatadyn");
    d.litMacroSol();
    EXPECT_EQ(cohesions(scenario.z), std::vector<double>({1150.0}));
}

TEST(MacroSolDialog, MalformedFileIsReportedAndTheScenarioZonesKept)
{
    QTemporaryDir dir;
    QByteArray damaged = block(3, 3.0, 300.0);
    damaged.replace("kc = 1000.0", "kc = beaucoup");
    const QString path = writeFile(dir, "sol.txt", block(1, 1.0, 100.0) + block(2, 2.0, 200.0) + damaged);
    Zones scenario;
    ajouteZone(&scenario.z, 4, 0, 0, 50, 777, 0.5, 0.4, 1, 2, 1.0, 1000, 1.0, 0.01);
    Modals modals;
    MacroSolDialog d(&scenario.z);
    modals.fileAnswers << path;
    click(&d, "radioButton_DynFichier");
    ASSERT_EQ(modals.boxes.size(), 1);
    EXPECT_EQ(modals.boxes[0], "ECHEC LECTURE !|Erreur lecture donnees sols ligne 31");
    EXPECT_TRUE(child<QRadioButton>(&d, "radioButton_DynInterne")->isChecked());
    EXPECT_EQ(text(&d, "label_Fichier"), "Inutilisé");
    EXPECT_TRUE(child<QLabel>(&d, "label_Data_internes")->isEnabled());

    // cancelled or impossible choices say nothing
    modals.fileAnswers << QString() << dir.filePath("absent.txt");
    click(&d, "radioButton_DynFichier");
    click(&d, "radioButton_DynFichier");
    EXPECT_EQ(modals.boxes.size(), 1);

    modals.onExec = [](QDialog* editor) {
        EXPECT_EQ(text(editor, "label_nomZone"), "Zone 4");
        return int(QDialog::Accepted);
    };
    click(&d, "pushButton_EditDatadyn");
    EXPECT_EQ(text(&d, "label_Data_internes"), "Données internes modifiées");
    d.litMacroSol();
    EXPECT_EQ(cohesions(scenario.z), std::vector<double>({777.0}));
}

TEST(MacroSolDialog, SavingWritesEveryValidatedZoneIncludingAddedOnes)
{
    QTemporaryDir dir;
    Zones scenario;
    litZones(&scenario.z, nullptr);
    Modals modals;
    MacroSolDialog d(&scenario.z);
    modals.onExec = [](QDialog* editor) {
        click(editor, "pushButton_add");
        child<QSpinBox>(editor, "SpinBox_hzone")->setValue(2);
        setSpin(editor, "DoubleSpinBox_cercleR", 3.5);
        click(editor, "pushButton_valide");
        click(editor, "pushButton_add");
        setSpin(editor, "DoubleSpinBox_c", 42.0);  // not validated
        return int(QDialog::Accepted);
    };
    click(&d, "pushButton_EditDatadyn");

    const QString path = dir.filePath("zones.txt");
    modals.fileAnswers << path;
    const int before = openDescriptors();
    click(&d, "pushButton_SaveDatadyn");
    EXPECT_EQ(modals.fileCaptions.last(), "Fichier à enregistrer sous ?");
    EXPECT_EQ(openDescriptors(), before);

    Zones saved;
    FILE* f = fopen(path.toLocal8Bit().constData(), "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(litZones(&saved.z, f), nullptr);
    ASSERT_EQ(saved.z.nbZones, 3);
    const ZoneSol* second = saved.z.premiere->suivante;
    EXPECT_EQ(second->hzone, 2);
    EXPECT_EQ(second->R, 3.5);
    EXPECT_STREQ(second->nom, "Zone 2");
    EXPECT_EQ(second->suivante->c, 1150.0);

    modals.fileAnswers << dir.filePath("no/such/dir/zones.txt");
    click(&d, "pushButton_SaveDatadyn");
    ASSERT_EQ(modals.boxes.size(), 1);
    EXPECT_TRUE(modals.boxes[0].startsWith("ECHEC ECRITURE !|"));
}

TEST(MacroSolDialog, CancelledDialogLeavesTheScenarioZones)
{
    Zones scenario;
    litZones(&scenario.z, nullptr);
    Modals modals;
    // a zone added in the sandbox, then the dialog closed with `answer`
    int answer = QDialog::Rejected;
    modals.onExec = [&answer](QDialog* d) {
        if (QString(d->metaObject()->className()) == "BacSableDialog") {
            click(d, "pushButton_add");
            return int(QDialog::Accepted);
        }
        click(d, "pushButton_EditDatadyn");
        return answer;
    };
    EXPECT_FALSE(runMacroSolDialog(nullptr, &scenario.z));
    EXPECT_EQ(scenario.z.nbZones, 1);
    answer = QDialog::Accepted;
    EXPECT_TRUE(runMacroSolDialog(nullptr, &scenario.z));
    EXPECT_EQ(scenario.z.nbZones, 2);
}

}  // namespace
