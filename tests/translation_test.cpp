// Run once with LANGUAGE=de and once with a language that has no translation; TOCKLES_EXPECT
// says which texts the panel must then show.
#include "app/translations.h"
#include "support/panel_fixture.h"

namespace {

bool german() { return qEnvironmentVariable("TOCKLES_EXPECT") == QLatin1String("de"); }

QString pick(const char* english, const char* deutsch) { return QString::fromUtf8(german() ? deutsch : english); }

} // namespace

TEST_F(PanelTest, TheTextsFollowTheUsersLanguage)
{
    ContentView& v = open();
    EXPECT_EQ(text("hint"), pick("Add a project below to start tracking.",
                                 "Lege unten ein Projekt an, um die Zeiterfassung zu beginnen."));
    EXPECT_EQ(child<QLineEdit>("nameField")->placeholderText(), pick("New Project...", "Neues Projekt …"));
    EXPECT_EQ(text("addButton"), pick("Add", "Hinzufügen"));
    EXPECT_EQ(text("startStopButton"), pick("Start Tracking", "Zeiterfassung starten"));
    EXPECT_EQ(text("exportButton"), pick("Export CSV", "CSV exportieren"));
    EXPECT_EQ(text("quitButton"), pick("Quit", "Beenden"));

    typeAndReturn(QStringLiteral("Kundenprojekt"));
    v.store->addTockle(Tockle(QStringLiteral("Kundenprojekt"), {}, {}, 5025));
    click("startStopButton");
    tick(83);
    EXPECT_EQ(text("startStopButton"), pick("Stop (Kundenprojekt)", "Stopp (Kundenprojekt)"));
    EXPECT_EQ(text("totalsHeading"), pick("Total Time by Project", "Gesamtzeit nach Projekt"));
    EXPECT_EQ(child("removeButton")->toolTip(), pick("Remove selected project", "Ausgewähltes Projekt entfernen"));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Kundenprojekt=01:25:08")}) << "durations are not translated";
    EXPECT_EQ(v.width(), 260);

    const QString dir = qEnvironmentVariable("TOCKLES_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        QApplication::processEvents();
        v.grab().save(dir + QStringLiteral("/panel-%1.png").arg(german() ? QStringLiteral("de") : QStringLiteral("en")));
    }
}

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installTranslations(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
