// The rover dynamic configuration dialog: settings, data source, per-body
// edits, saving, the results file and what reaches the rover.
#include "dialogs/roverdialog.h"

#include "app/scenario_dialogs.h"
#include "dialogs/dialog_support.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// a rover on the internal defaults of a 1 m track
struct Rover {
    Rover() : r(static_cast<DynRover*>(calloc(1, sizeof(DynRover))))
    {
        r->voie = 1.0;
        dyn_defaults(r);
    }
    ~Rover() { free(r); }
    DynRover* r;
};

// writes a dynamic data file holding `data`
QString saveData(const QTemporaryDir& dir, const QString& name, const DataDynRov& data)
{
    const QString path = dir.filePath(name);
    FILE* f = fopen(path.toLocal8Bit().constData(), "w");
    if (!f)
        qFatal("cannot create %s", qPrintable(path));
    saveDatadynrov(&data, f);
    return path;
}

DataDynRov loadData(const QString& path)
{
    DataDynRov d = {};
    FILE* f = fopen(path.toLocal8Bit().constData(), "r");
    if (!f || loadDatadynrov(&d, f))
        ADD_FAILURE() << "cannot read " << qPrintable(path);
    return d;
}

bool sameData(const DataDynRov& a, const DataDynRov& b)
{
    return memcmp(&a, &b, sizeof a) == 0;
}

TEST(RoverDialog, UntouchedDialogReturnsTheDataRoundedToTheirFields)
{
    Rover rv;
    const DataDynRov before = rv.r->data;
    int period = 40;
    RoverDialog d(rv.r, period);
    EXPECT_EQ(d.windowTitle(), "Orlen_Kadmer");
    EXPECT_EQ(text(&d, "label_Fichier_Interne"), "Inutilisé");
    EXPECT_EQ(text(&d, "label_Data_internes"), "Données internes initiales");
    EXPECT_EQ(text(&d, "label_TestLibre"), "Nominaux activés");
    EXPECT_EQ(text(&d, "label_Flogout"), "Aucun");
    EXPECT_FALSE(child<QSpinBox>(&d, "spinBox_ndebug")->isEnabled());

    rv.r->testLibre = 5;
    rv.r->verbose = 5;
    period = 0;
    d.litRover(rv.r, &period);
    EXPECT_EQ(period, 40);
    // the period never reaches 0 ms, where the time would stand still
    child<QSpinBox>(&d, "spinBox_dtime")->setValue(0);
    d.litRover(rv.r, &period);
    EXPECT_EQ(period, 1);
    child<QSpinBox>(&d, "spinBox_dtime")->setValue(40);
    d.litRover(rv.r, &period);
    EXPECT_EQ(rv.r->testLibre, 0);
    EXPECT_EQ(rv.r->verbose, 0);
    EXPECT_EQ(rv.r->fdata, nullptr);
    EXPECT_EQ(rv.r->fresults, nullptr);

    DataDynRov expect = before;
    // 500 and 50 are whole; the rear stops lose their decimals
    expect.kpTravR = std::round(before.kpTravR);
    expect.kvTravR = std::round(before.kvTravR);
    EXPECT_TRUE(sameData(rv.r->data, expect));
    EXPECT_EQ(rv.r->data.kpTravL, 500.0);
    EXPECT_EQ(rv.r->data.dXyz, 0.005);
    EXPECT_EQ(rv.r->data.g, 9.81);
}

TEST(RoverDialog, SpeedAndGravityAreClampedAndVariationsKeepFourDecimals)
{
    Rover rv;
    rv.r->data.g = 12.0;
    rv.r->data.vMax = 3.0;
    rv.r->data.dRoue = 0.123456;
    int period = 20000;
    RoverDialog d(rv.r, period);
    d.litRover(rv.r, &period);
    EXPECT_DOUBLE_EQ(rv.r->data.g, 9.81);
    EXPECT_DOUBLE_EQ(rv.r->data.vMax, 1.99);
    EXPECT_DOUBLE_EQ(rv.r->data.dRoue, 0.1235);
    EXPECT_EQ(period, 10000);
}

TEST(RoverDialog, FreeMovementTestFlagFollowsTheCheckBox)
{
    Rover rv;
    rv.r->testLibre = 1;
    int period = 40;
    RoverDialog d(rv.r, period);
    QCheckBox* box = child<QCheckBox>(&d, "checkBox_TestLibre");
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(text(&d, "label_TestLibre"), "supprimés (test mvts libres)");
    box->setChecked(true);
    EXPECT_EQ(text(&d, "label_TestLibre"), "nominaux activés");
    d.litRover(rv.r, &period);
    EXPECT_EQ(rv.r->testLibre, 0);
    box->setChecked(false);
    d.litRover(rv.r, &period);
    EXPECT_EQ(rv.r->testLibre, 1);
}

TEST(RoverDialog, FileDataEditedThenDroppedByGoingBackToInternalData)
{
    QTemporaryDir dir;
    Rover rv;
    DataDynRov fileData = rv.r->data;
    fileData.m0 = 55.5;
    fileData.kpTravL = 777.0;
    const QString path = saveData(dir, "dyn.txt", fileData);

    Modals modals;
    int period = 40;
    RoverDialog d(rv.r, period);
    modals.fileAnswers << path;
    click(&d, "radioButton_DynFichier");
    EXPECT_EQ(modals.fileCaptions.last(), "Fichier de données dynamiques existant ?");
    EXPECT_TRUE(child<QRadioButton>(&d, "radioButton_DynFichier")->isChecked());
    EXPECT_EQ(text(&d, "label_Fichier_Interne"), "Utilisation donnees dyn.txt");
    EXPECT_FALSE(child<QLabel>(&d, "label_Data_internes")->isEnabled());
    EXPECT_EQ(spin(&d, "doubleSpinBox_kpTravL"), 777.0);

    // an accepted per-body edit changes the working copy
    modals.onExec = [](QDialog* body) {
        EXPECT_DOUBLE_EQ(spin(body, "doubleSpinBox_mc"), 55.5);
        setSpin(body, "doubleSpinBox_mc", 60.0);
        return int(QDialog::Accepted);
    };
    click(&d, "pushButton_EditDatadyn");
    EXPECT_EQ(modals.executed, QStringList("DynRovDialog"));
    EXPECT_EQ(text(&d, "label_Fichier_Interne"), "Données fichier modifiées");

    // back to the internal data: file data and edits are gone
    click(&d, "radioButton_DynInterne");
    EXPECT_EQ(text(&d, "label_Fichier_Interne"), "Inutilisé");
    EXPECT_EQ(text(&d, "label_Data_internes"), "Données internes initiales");
    EXPECT_TRUE(child<QLabel>(&d, "label_Data_internes")->isEnabled());
    EXPECT_EQ(spin(&d, "doubleSpinBox_kpTravL"), 500.0);
    modals.onExec = [](QDialog* body) {
        EXPECT_DOUBLE_EQ(spin(body, "doubleSpinBox_mc"), 43.0);
        return int(QDialog::Accepted);
    };
    click(&d, "pushButton_EditDatadyn");
    EXPECT_EQ(text(&d, "label_Data_internes"), "Données internes modifiées");
    EXPECT_EQ(text(&d, "label_Fichier_Interne"), "Inutilisé");

    d.litRover(rv.r, &period);
    EXPECT_EQ(rv.r->fdata, nullptr);
    EXPECT_EQ(rv.r->data.m0, 43.0);
    EXPECT_TRUE(modals.boxes.isEmpty());
}

TEST(RoverDialog, FileDataReachTheRoverWithTheirMarker)
{
    QTemporaryDir dir;
    Rover rv;
    DataDynRov fileData = rv.r->data;
    fileData.mRoue = 3.25;
    fileData.g = 3.71;
    const QString path = saveData(dir, "mars.txt", fileData);
    Modals modals;
    modals.fileAnswers << path;
    const int before = openDescriptors();
    int period = 40;
    RoverDialog d(rv.r, period);
    click(&d, "radioButton_DynFichier");
    EXPECT_EQ(openDescriptors(), before);  // the reader closed the file
    d.litRover(rv.r, &period);
    EXPECT_NE(rv.r->fdata, nullptr);
    EXPECT_EQ(rv.r->data.mRoue, 3.25);
    EXPECT_EQ(rv.r->data.g, 3.71);
}

TEST(RoverDialog, MalformedOrMissingDataFileRestoresTheInternalData)
{
    QTemporaryDir dir;
    Rover rv;
    DataDynRov fileData = rv.r->data;
    fileData.kpTravL = 777.0;
    const QString good = saveData(dir, "good.txt", fileData);
    // the 17th line loses its value
    QList<QByteArray> lines = readFile(good).split('\n');
    lines[16] = "Rapport de reduction steering =  (>= 1.)";
    const QString bad = writeFile(dir, "bad.txt", lines.join('\n'));

    Modals modals;
    int period = 40;
    RoverDialog d(rv.r, period);
    modals.onExec = [](QDialog* body) {
        setSpin(body, "doubleSpinBox_mc", 60.0);
        return int(QDialog::Accepted);
    };
    click(&d, "pushButton_EditDatadyn");

    modals.fileAnswers << bad;
    click(&d, "radioButton_DynFichier");
    ASSERT_EQ(modals.boxes.size(), 1);
    EXPECT_EQ(modals.boxes[0], "ECHEC LECTURE !|Erreur lecture donnees dynamiques ligne 17");
    EXPECT_TRUE(child<QRadioButton>(&d, "radioButton_DynInterne")->isChecked());
    EXPECT_EQ(text(&d, "label_Fichier_Interne"), "Inutilisé");

    // a cancelled choice and an absent file give no message
    modals.fileAnswers << QString() << dir.filePath("absent.txt");
    click(&d, "radioButton_DynFichier");
    click(&d, "radioButton_DynFichier");
    EXPECT_EQ(modals.boxes.size(), 1);
    EXPECT_TRUE(child<QRadioButton>(&d, "radioButton_DynInterne")->isChecked());

    d.litRover(rv.r, &period);
    EXPECT_EQ(rv.r->fdata, nullptr);
    EXPECT_EQ(rv.r->data.m0, 43.0);  // the earlier edit went with the return to internal data
    EXPECT_EQ(rv.r->data.kpTravL, 500.0);
}

TEST(RoverDialog, CancelledBodyEditKeepsTheWorkingCopy)
{
    Rover rv;
    Modals modals;
    int period = 40;
    RoverDialog d(rv.r, period);
    modals.onExec = [](QDialog* body) {
        setSpin(body, "doubleSpinBox_mw", 7.0);
        return int(QDialog::Rejected);
    };
    click(&d, "pushButton_EditDatadyn");
    EXPECT_EQ(text(&d, "label_Data_internes"), "Données internes initiales");
    modals.onExec = [](QDialog* body) {
        EXPECT_EQ(spin(body, "doubleSpinBox_mw"), 4.0);
        return int(QDialog::Rejected);
    };
    click(&d, "pushButton_EditDatadyn");
    d.litRover(rv.r, &period);
    EXPECT_EQ(rv.r->data.mRoue, 4.0);
}

TEST(RoverDialog, SavedFileHoldsBodyEditsAndTheFieldsAsTheyStand)
{
    QTemporaryDir dir;
    Rover rv;
    Modals modals;
    int period = 40;
    RoverDialog d(rv.r, period);
    modals.onExec = [](QDialog* body) {
        setSpin(body, "doubleSpinBox_Jmotw", 2.5);
        return int(QDialog::Accepted);
    };
    click(&d, "pushButton_EditDatadyn");
    setSpin(&d, "doubleSpinBox_grav", 1.62);

    const QString path = dir.filePath("saved.txt");
    modals.fileAnswers << path;
    const int before = openDescriptors();
    click(&d, "pushButton_SaveDatadyn");
    EXPECT_EQ(modals.fileCaptions.last(), "Fichier à enregistrer sous ?");
    EXPECT_EQ(openDescriptors(), before);
    const DataDynRov saved = loadData(path);
    EXPECT_EQ(saved.g, 1.62);
    EXPECT_DOUBLE_EQ(saved.jmRoue, 2.5e-6);
    EXPECT_EQ(saved.m0, 43.0);
    EXPECT_TRUE(modals.boxes.isEmpty());

    // a file that cannot be created is reported, not silently dropped
    modals.fileAnswers << dir.filePath("no/such/dir/saved.txt");
    click(&d, "pushButton_SaveDatadyn");
    ASSERT_EQ(modals.boxes.size(), 1);
    EXPECT_TRUE(modals.boxes[0].startsWith("ECHEC ECRITURE !|"));
}

TEST(RoverDialog, ResultsFileReachesTheRoverOnlyWhileChecked)
{
    QTemporaryDir dir;
    Rover rv;
    Modals modals;
    const int before = openDescriptors();
    int period = 40;
    {
        RoverDialog d(rv.r, period);
        QCheckBox* box = child<QCheckBox>(&d, "checkBox_Flogout");
        QSpinBox* verbosity = child<QSpinBox>(&d, "spinBox_ndebug");

        // cancelled choice: the box goes back
        box->setChecked(true);
        EXPECT_FALSE(box->isChecked());
        EXPECT_EQ(modals.fileCaptions.last(), "Fichier sortie résultats ?");
        EXPECT_EQ(text(&d, "label_Flogout"), "aucun");

        modals.fileAnswers << dir.filePath("trace.txt");
        box->setChecked(true);
        EXPECT_TRUE(box->isChecked());
        EXPECT_EQ(text(&d, "label_Flogout"), "trace.txt");
        EXPECT_TRUE(verbosity->isEnabled());
        EXPECT_EQ(openDescriptors(), before + 1);
        verbosity->setValue(45);

        // unchecked: the file is closed and no stream reaches the rover
        box->setChecked(false);
        EXPECT_EQ(text(&d, "label_Flogout"), "aucun");
        EXPECT_FALSE(verbosity->isEnabled());
        EXPECT_EQ(openDescriptors(), before);
        d.litRover(rv.r, &period);
        EXPECT_EQ(rv.r->fresults, nullptr);
        EXPECT_EQ(rv.r->verbose, 45);  // copied though disabled

        modals.fileAnswers << dir.filePath("trace2.txt");
        box->setChecked(true);
        d.litRover(rv.r, &period);
    }
    // handed over: the dialog's end leaves it open for the rover
    ASSERT_NE(rv.r->fresults, nullptr);
    EXPECT_EQ(openDescriptors(), before + 1);
    EXPECT_GT(fprintf(rv.r->fresults, "trace\n"), 0);
    fclose(rv.r->fresults);
    EXPECT_EQ(readFile(dir.filePath("trace2.txt")), "trace\n");
}

TEST(RoverDialog, CancelledDialogLeavesTheRoverAndClosesItsFiles)
{
    QTemporaryDir dir;
    Rover rv;
    const DataDynRov before = rv.r->data;
    Modals modals;
    modals.onExec = [&](QDialog* d) {
        if (QString(d->metaObject()->className()) != "RoverDialog")
            return int(QDialog::Accepted);
        modals.fileAnswers << dir.filePath("trace.txt");
        child<QCheckBox>(d, "checkBox_Flogout")->setChecked(true);
        child<QCheckBox>(d, "checkBox_TestLibre")->setChecked(false);
        setSpin(d, "doubleSpinBox_vmax", 1.0);
        return int(QDialog::Rejected);
    };
    const int fds = openDescriptors();
    int period = 40;
    EXPECT_FALSE(runRoverDialog(nullptr, rv.r, &period));
    EXPECT_EQ(openDescriptors(), fds);
    EXPECT_EQ(rv.r->fresults, nullptr);
    EXPECT_EQ(rv.r->testLibre, 0);
    EXPECT_TRUE(sameData(rv.r->data, before));

    // accepted, the same choices reach the rover
    modals.onExec = [&](QDialog* d) {
        modals.fileAnswers << dir.filePath("trace.txt");
        child<QCheckBox>(d, "checkBox_Flogout")->setChecked(true);
        child<QCheckBox>(d, "checkBox_TestLibre")->setChecked(false);
        child<QSpinBox>(d, "spinBox_dtime")->setValue(100);
        setSpin(d, "doubleSpinBox_vmax", 1.0);
        return int(QDialog::Accepted);
    };
    EXPECT_TRUE(runRoverDialog(nullptr, rv.r, &period));
    EXPECT_NE(rv.r->fresults, nullptr);
    EXPECT_EQ(rv.r->testLibre, 1);
    EXPECT_EQ(rv.r->data.vMax, 1.0);
    EXPECT_EQ(period, 100);
    fclose(rv.r->fresults);
}

}  // namespace
