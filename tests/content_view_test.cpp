#include "model/json_codec.h"
#include "panel/elided_label.h"
#include "panel/eliding_controls.h"
#include "support/panel_fixture.h"

#include <QClipboard>
#include <QSignalSpy>
#include <QStyleOptionButton>

#include <algorithm>

namespace {

// The visible children of the panel, top to bottom, by object name ("line" for a divider).
QStringList visibleStack(QWidget* view)
{
    QList<QWidget*> children;
    for (QObject* o : view->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && w->isVisibleTo(view))
            children.append(w);
    }
    std::sort(children.begin(), children.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    QStringList names;
    for (QWidget* w : children)
        names.append(w->objectName().isEmpty() ? QStringLiteral("line") : w->objectName());
    return names;
}

} // namespace

TEST_F(PanelTest, FirstRunShowsTheHintAndADisabledControl)
{
    ContentView& v = open();
    EXPECT_EQ(visibleStack(&v), (QStringList{QStringLiteral("hint"), QStringLiteral("newProjectRow"),
                                             QStringLiteral("line"), QStringLiteral("elapsedRow"),
                                             QStringLiteral("startStopButton"), QStringLiteral("line"),
                                             QStringLiteral("exportButton"), QStringLiteral("quitButton")}));
    EXPECT_EQ(text("hint"), QStringLiteral("Add a project below to start tracking."));
    EXPECT_EQ(text("elapsedLabel"), QStringLiteral("00:00:00"));
    EXPECT_EQ(text("startStopButton"), QStringLiteral("Start Tracking"));
    EXPECT_FALSE(startStop()->isEnabled());
    EXPECT_FALSE(child("addButton")->isEnabled());
    EXPECT_EQ(child<QLineEdit>("nameField")->placeholderText(), QStringLiteral("New Project..."));
    EXPECT_EQ(text("exportButton"), QStringLiteral("Export CSV"));
    EXPECT_EQ(text("quitButton"), QStringLiteral("Quit"));
    EXPECT_EQ(v.width(), 260);
    EXPECT_FALSE(folder.read(folder.dataFile("projects.json")).size()) << "nothing written at start";
}

TEST_F(PanelTest, AddingTrimsSelectsAndEmptiesTheField)
{
    ContentView& v = open();
    const int emptyHeight = v.height();
    type(QStringLiteral("  Design  "));
    EXPECT_TRUE(child("addButton")->isEnabled());
    QTest::keyClick(child<QLineEdit>("nameField"), Qt::Key_Return);
    EXPECT_EQ(v.store->projects(), QStringList{QStringLiteral("Design")});
    EXPECT_EQ(file("projects.json"), R"(["Design"])");
    EXPECT_EQ(v.selectedProject, QStringLiteral("Design"));
    EXPECT_EQ(child<QComboBox>("picker")->currentText(), QStringLiteral("Design"));
    EXPECT_TRUE(child<QLineEdit>("nameField")->text().isEmpty());
    EXPECT_FALSE(child("addButton")->isEnabled());
    EXPECT_TRUE(startStop()->isEnabled());

    EXPECT_EQ(visibleStack(&v), (QStringList{QStringLiteral("pickerRow"), QStringLiteral("newProjectRow"),
                                             QStringLiteral("line"), QStringLiteral("elapsedRow"),
                                             QStringLiteral("startStopButton"), QStringLiteral("line"),
                                             QStringLiteral("totalsSection"), QStringLiteral("line"),
                                             QStringLiteral("exportButton"), QStringLiteral("quitButton")}));
    EXPECT_TRUE(shown("removeButton"));
    EXPECT_EQ(child<QToolButton>("removeButton")->toolTip(), QStringLiteral("Remove selected project"));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Design=00:00:00")});
    EXPECT_GT(v.height(), emptyHeight) << "the panel grows with its content";
    EXPECT_EQ(v.width(), 260);
}

TEST_F(PanelTest, BlankInputIsIgnored)
{
    open();
    type(QStringLiteral(" \u3000 "));
    EXPECT_FALSE(child("addButton")->isEnabled());
    QTest::keyClick(child<QLineEdit>("nameField"), Qt::Key_Return);
    EXPECT_EQ(child<QLineEdit>("nameField")->text(), QStringLiteral(" \u3000 "));
    EXPECT_TRUE(view->store->projects().isEmpty());
}

TEST_F(PanelTest, ExistingNamesSelectAndCaseMakesANewProject)
{
    writeData("projects.json", R"(["Design","Other"])");
    ContentView& v = open();
    EXPECT_EQ(v.selectedProject, QStringLiteral("Design")) << "showing selects the first project";
    choose(QStringLiteral("Other"));
    const QByteArray before = file("projects.json");
    typeAndReturn(QStringLiteral("Design"));
    EXPECT_EQ(v.store->projects().size(), 2);
    EXPECT_EQ(file("projects.json"), before);
    EXPECT_EQ(v.selectedProject, QStringLiteral("Design"));
    EXPECT_TRUE(child<QLineEdit>("nameField")->text().isEmpty());

    typeAndReturn(QStringLiteral("design"));
    EXPECT_EQ(v.store->projects(), (QStringList{QStringLiteral("Design"), QStringLiteral("Other"), QStringLiteral("design")}));
    EXPECT_EQ(child<QComboBox>("picker")->count(), 3);
}

TEST_F(PanelTest, RemovingSelectsTheHeadOfTheList)
{
    writeData("projects.json", R"(["Alpha","Beta","Gamma"])");
    ContentView& v = open();
    choose(QStringLiteral("Beta"));
    click("removeButton");
    EXPECT_EQ(v.store->projects(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Gamma")}));
    EXPECT_EQ(file("projects.json"), R"(["Alpha","Gamma"])");
    EXPECT_EQ(v.selectedProject, QStringLiteral("Alpha"));
    EXPECT_EQ(child<QComboBox>("picker")->currentText(), QStringLiteral("Alpha"));

    click("removeButton");
    click("removeButton");
    EXPECT_TRUE(v.selectedProject.isEmpty());
    EXPECT_TRUE(shown("hint"));
    EXPECT_FALSE(shown("pickerRow"));
    EXPECT_FALSE(shown("totalsSection"));
    EXPECT_TRUE(shown("newProjectRow"));
}

TEST_F(PanelTest, TrackingTicksFromTheStartInstantAndStopsIntoOneRecord)
{
    writeData("projects.json", R"(["Design"])");
    ContentView& v = open();
    clock->set(786303000.125);
    click("startStopButton");
    EXPECT_TRUE(v.isTracking);
    EXPECT_EQ(text("startStopButton"), QStringLiteral("Stop (Design)"));
    EXPECT_EQ(text("elapsedLabel"), QStringLiteral("00:00:00"));
    tick(2.5);
    EXPECT_EQ(text("elapsedLabel"), QStringLiteral("00:00:02"));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Design=00:00:02")});
    tick(3600 + 57.0);
    EXPECT_EQ(text("elapsedLabel"), QStringLiteral("01:00:59"));

    click("startStopButton");
    EXPECT_FALSE(v.isTracking);
    EXPECT_FALSE(v.startTime);
    EXPECT_EQ(text("elapsedLabel"), QStringLiteral("00:00:00"));
    EXPECT_EQ(text("startStopButton"), QStringLiteral("Start Tracking"));
    const auto saved = decodeTockles(file("tockles.json"));
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->size(), 1);
    EXPECT_EQ(saved->at(0).projectName, QStringLiteral("Design"));
    EXPECT_EQ(saved->at(0).startTime.secondsSinceReference(), 786303000.125);
    EXPECT_EQ(saved->at(0).duration, 3659.5);
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Design=01:00:59")});
}

TEST_F(PanelTest, AShortIntervalKeepsItsExactDuration)
{
    writeData("projects.json", R"(["A"])");
    ContentView& v = open();
    clock->set(786303000.1);
    v.toggleTracking();
    clock->set(786303000.5);
    v.toggleTracking();
    ASSERT_EQ(v.store->tockles().size(), 1);
    const Tockle& t = v.store->tockles()[0];
    EXPECT_EQ(t.duration, t.endTime.secondsSinceReference() - t.startTime.secondsSinceReference());
    EXPECT_NEAR(t.duration, 0.4, 1e-6);
    EXPECT_EQ(decodeTockles(file("tockles.json"))->at(0).duration, t.duration);
}

TEST_F(PanelTest, ChoosingAnotherProjectWhileTrackingChangesNeitherLabelNorRecord)
{
    writeData("projects.json", R"(["A","B"])");
    ContentView& v = open();
    click("startStopButton");
    choose(QStringLiteral("B"));
    tick(5);
    EXPECT_EQ(text("startStopButton"), QStringLiteral("Stop (A)"));
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("A=00:00:05"), QStringLiteral("B=00:00:00")}))
        << "the tracked project keeps its row beside the new choice";
    click("startStopButton");
    EXPECT_EQ(v.store->tockles().last().projectName, QStringLiteral("A"));
}

TEST_F(PanelTest, RemovingTheTrackedProjectKeepsTrackingUntilTheStop)
{
    writeData("projects.json", R"(["A"])");
    ContentView& v = open();
    click("startStopButton");
    tick(10);
    click("removeButton");
    EXPECT_TRUE(v.isTracking);
    EXPECT_TRUE(shown("hint"));
    EXPECT_FALSE(shown("totalsSection"));
    EXPECT_FALSE(startStop()->isEnabled()) << "no projects: the control is disabled even while tracking";
    QTest::keySequence(&v, QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_TRUE(v.isTracking) << "and so is its shortcut";
    tick(20);
    EXPECT_EQ(text("elapsedLabel"), QStringLiteral("00:00:30"));

    typeAndReturn(QStringLiteral("B"));
    EXPECT_TRUE(startStop()->isEnabled());
    EXPECT_EQ(text("startStopButton"), QStringLiteral("Stop (A)"));
    tick(1);
    QTest::keySequence(&v, QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_FALSE(v.isTracking);
    ASSERT_EQ(v.store->tockles().size(), 1);
    EXPECT_EQ(v.store->tockles()[0].projectName, QStringLiteral("A"));
    EXPECT_EQ(v.store->tockles()[0].duration, 31.0);
    EXPECT_EQ(v.store->projects(), QStringList{QStringLiteral("B")}) << "the removed name does not come back";
}

TEST_F(PanelTest, ShortcutsActOnlyWhereTheyShould)
{
    writeData("projects.json", R"([])");
    ContentView& v = open();
    QTest::keySequence(&v, QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_FALSE(v.isTracking) << "nothing selected: nothing happens";

    typeAndReturn(QStringLiteral("A"));
    QTest::keySequence(&v, QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_TRUE(v.isTracking);

    QSignalSpy quit(&v, &ContentView::quitRequested);
    QTest::keySequence(&v, QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_EQ(quit.count(), 1);
    EXPECT_TRUE(v.store->tockles().isEmpty()) << "quitting stores no running interval";
    click("quitButton");
    EXPECT_EQ(quit.count(), 2);
}

TEST_F(PanelTest, TotalsFollowTheSelectionAndShowLongSums)
{
    writeData("projects.json", R"(["Short","Long","Empty"])");
    writeData("tockles.json", encodeTockles({Tockle(QStringLiteral("Short"), {}, {}, 30),
                                             Tockle(QStringLiteral("Short"), {}, {}, 29.9),
                                             Tockle(QStringLiteral("Long"), {}, {}, 360000),
                                             Tockle(QStringLiteral("Removed"), {}, {}, 5)})
                                  .value());
    open();
    EXPECT_EQ(text("totalsHeading"), QStringLiteral("Total Time by Project"));
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("Short=00:00:59"), QStringLiteral("Long=100:00:00")}));
    choose(QStringLiteral("Empty"));
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("Short=00:00:59"), QStringLiteral("Long=100:00:00"),
                                   QStringLiteral("Empty=00:00:00")}));
    typeAndReturn(QStringLiteral("Removed"));
    EXPECT_EQ(rows().last(), QStringLiteral("Removed=00:00:05")) << "a name added again brings its old total back";
}

TEST_F(PanelTest, LongNamesAreElidedAndNeverWidenThePanel)
{
    const QString longName = QStringLiteral("A very long project name that would never fit into the panel at all");
    const QString german = QStringLiteral("Kunde: Müller GmbH – Wartungsvertrag 2027");
    writeData("projects.json", encodeProjects({longName, QStringLiteral("R&D <b>bold</b>"), german}));
    ContentView& v = open();
    EXPECT_EQ(v.width(), 260);
    auto* name = view->findChild<ElidedLabel*>(QStringLiteral("totalsName"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), longName);
    EXPECT_TRUE(name->shownText().endsWith(QChar(0x2026)));
    auto* total = view->findChild<QLabel*>(QStringLiteral("totalsTime"));
    EXPECT_LE(total->geometry().right(), v.width());
    EXPECT_GE(total->width(), total->sizeHint().width()) << "the total is never cut";
    EXPECT_TRUE(child<ElidingComboBox>("picker")->shownText().endsWith(QChar(0x2026)));

    // What the control paints keeps "Stop (" and ")" whole and fits inside it.
    auto* button = child<ElidingButton>("startStopButton");
    for (const QString& project : {longName, german, QStringLiteral("R&D <b>bold</b>")}) {
        choose(project);
        click("startStopButton");
        QStyleOptionButton option;
        option.initFrom(button);
        const int room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
        const QString shown = button->shownText();
        EXPECT_TRUE(shown.startsWith(QStringLiteral("Stop (")) && shown.endsWith(QLatin1Char(')'))) << shown.toStdString();
        EXPECT_LE(button->fontMetrics().horizontalAdvance(shown), room) << shown.toStdString();
        EXPECT_EQ(button->accessibleName(), QStringLiteral("Stop (%1)").arg(project)) << "the reader hears it whole";
        EXPECT_EQ(v.width(), 260);
        click("startStopButton");
    }
    EXPECT_EQ(text("startStopButton"), QStringLiteral("Start Tracking"));
}

TEST_F(PanelTest, APasteLongerThanQtsDefaultLimitArrivesWhole)
{
    open();
    const QString pasted(40000, QLatin1Char('x'));
    QApplication::clipboard()->setText(pasted);
    auto* field = child<QLineEdit>("nameField");
    field->setFocus();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(view->newProjectName.size(), pasted.size());
}

TEST_F(PanelTest, ExportRunsTheStoreExportAndRevealsTheFile)
{
    open();
    click("exportButton");
    ASSERT_EQ(viewer->revealed.size(), 1);
    EXPECT_EQ(folder.read(viewer->revealed[0]).size(), 68);
}

TEST_F(PanelTest, AHiddenPanelKeepsTrackingAndCatchesUpWhenShown)
{
    writeData("projects.json", R"(["A"])");
    ContentView& v = open();
    click("startStopButton");
    v.hide();
    tick(90);
    EXPECT_EQ(v.elapsedTime, 90);
    v.show();
    EXPECT_EQ(text("elapsedLabel"), QStringLiteral("00:01:30"));
}

TEST_F(PanelTest, TheFieldDoesNotTakeTheFocusByItself)
{
    ContentView& v = open();
    EXPECT_FALSE(child("nameField")->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), &v);
}
