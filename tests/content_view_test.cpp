#include "model/json_codec.h"
#include "panel/elided_label.h"
#include "panel/eliding_controls.h"
#include "support/focus.h"
#include "support/panel_fixture.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QTextDocumentFragment>

#include <algorithm>

namespace {

// The visible children of the panel, top to bottom, by object name ("line" for a divider).
QString visibleStack(QWidget* view)
{
    QList<QWidget*> children = view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    children.removeIf([view](QWidget* w) { return !w->isVisibleTo(view) || w->size().isEmpty(); }); // seen
    std::sort(children.begin(), children.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    QStringList names;
    for (QWidget* w : children)
        names.append(w->objectName().isEmpty() ? QStringLiteral("line") : w->objectName());
    return names.join(QLatin1Char(','));
}

void shortcut(QWidget* w, const char* keys) { QTest::keySequence(w, QKeySequence(QString::fromLatin1(keys))); }

} // namespace

TEST_F(PanelTest, FirstRunShowsTheHintAndADisabledControl)
{
    ContentView& v = open();
    EXPECT_EQ(visibleStack(&v), QStringLiteral("hint,newProjectRow,line,elapsedRow,startStopButton,line,exportButton,quitButton"));
    const std::pair<const char*, const char*> texts[] = {
        {"hint", "Add a project below to start tracking."}, {"elapsedLabel", "00:00:00"},
        {"startStopButton", "Start Tracking"}, {"exportButton", "Export CSV"}, {"quitButton", "Quit"}};
    for (const auto& [name, expected] : texts)
        EXPECT_EQ(text(name), QString::fromLatin1(expected));
    EXPECT_FALSE(startStop()->isEnabled());
    EXPECT_FALSE(child("addButton")->isEnabled());
    EXPECT_EQ(child<QLineEdit>("nameField")->placeholderText(), QStringLiteral("New Project..."));
    EXPECT_EQ(QApplication::focusWidget(), &v) << "the field does not take the focus by itself";
    EXPECT_EQ(v.width(), 260);
    EXPECT_TRUE(folder.entries(QStringLiteral("Tockles")).isEmpty()) << "nothing written at start";
}

TEST_F(PanelTest, AddingTrimsSelectsIgnoresBlanksAndSelectsExistingNames)
{
    ContentView& v = open();
    const int emptyHeight = v.height();
    type(QStringLiteral(" \u3000 "));
    EXPECT_FALSE(child("addButton")->isEnabled());
    QTest::keyClick(child<QLineEdit>("nameField"), Qt::Key_Return);
    EXPECT_TRUE(v.store->projects().isEmpty()) << "blank input is ignored";
    child<QLineEdit>("nameField")->clear();

    typeAndReturn(QStringLiteral("  Design  "));
    EXPECT_EQ(file("projects.json"), R"(["Design"])");
    EXPECT_EQ(child<QComboBox>("picker")->currentText(), QStringLiteral("Design"));
    EXPECT_TRUE(child<QLineEdit>("nameField")->text().isEmpty());
    EXPECT_FALSE(child("addButton")->isEnabled());
    EXPECT_TRUE(startStop()->isEnabled());
    EXPECT_EQ(visibleStack(&v), QStringLiteral("pickerRow,newProjectRow,line,elapsedRow,startStopButton,line,"
                                               "totalsSection,line,exportButton,quitButton"));
    EXPECT_EQ(child<QToolButton>("removeButton")->toolTip(), QStringLiteral("Remove selected project"));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Design=00:00:00")});
    EXPECT_GT(v.height(), emptyHeight) << "the panel grows with its content";

    typeAndReturn(QStringLiteral("Other"));
    typeAndReturn(QStringLiteral("Design"));
    EXPECT_EQ(v.selectedProject, QStringLiteral("Design")) << "an existing name is selected, not added";
    EXPECT_EQ(file("projects.json"), R"(["Design","Other"])");
    typeAndReturn(QStringLiteral("design"));
    EXPECT_EQ(child<QComboBox>("picker")->count(), 3) << "names are case-sensitive";

    const QString pasted(40000, QLatin1Char('x')); // longer than Qt's default limit
    QApplication::clipboard()->setText(pasted);
    child("nameField")->setFocus();
    QTest::keyClick(child("nameField"), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(v.newProjectName.size(), pasted.size());
}

TEST_F(PanelTest, RemovingSelectsTheHeadOfTheList)
{
    QCoreApplication::setLibraryPaths({}); // as where Qt's SVG plugins are not installed
    ASSERT_TRUE(QIcon(QStringLiteral(":/icons/trash.svg")).pixmap(22).isNull()) << "the plugins are still found";
    writeData("projects.json", R"(["Alpha","Beta","Gamma"])");
    ContentView& v = open();
    const QImage symbol = child<QToolButton>("removeButton")->icon().pixmap(22).toImage();
    const uchar* bytes = symbol.constBits();
    EXPECT_GT(std::count_if(bytes, bytes + symbol.sizeInBytes(), [](uchar b) { return b > 128; }), 22)
        << "the button shows its symbol";
    EXPECT_EQ(v.selectedProject, QStringLiteral("Alpha")) << "showing selects the first project";
    choose(QStringLiteral("Beta"));
    click("removeButton");
    EXPECT_EQ(file("projects.json"), R"(["Alpha","Gamma"])");
    EXPECT_EQ(child<QComboBox>("picker")->currentText(), QStringLiteral("Alpha"));
    click("removeButton");
    click("removeButton");
    EXPECT_TRUE(v.selectedProject.isEmpty());
    EXPECT_EQ(visibleStack(&v), QStringLiteral("hint,newProjectRow,line,elapsedRow,startStopButton,line,exportButton,quitButton"));
}

TEST_F(PanelTest, TrackingTicksFromTheStartInstantAndStopsIntoOneExactRecord)
{
    writeData("projects.json", R"(["Design"])");
    ContentView& v = open();
    EXPECT_FALSE(v.timer.isActive()) << "idle, nothing ticks";
    clock->set(786303000.125);
    click("startStopButton");
    EXPECT_EQ(text("startStopButton"), QStringLiteral("Stop (Design)"));
    EXPECT_NEAR(v.timer.interval(), 1000, 20) << "the next tick comes as the display's second turns";
    tick(2.5);
    EXPECT_EQ(text("elapsedLabel"), QStringLiteral("00:00:02"));
    EXPECT_NEAR(v.timer.interval(), 500, 20);
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Design=00:00:02")});
    v.hide(); // a hidden panel keeps tracking and catches up when shown
    tick(3600 + 57.0);
    EXPECT_EQ(v.elapsedTime, 3659.5);
    v.show();
    EXPECT_EQ(text("elapsedLabel"), QStringLiteral("01:00:59"));
    clock->set(786303000.125 + 3659.9);
    click("startStopButton");
    EXPECT_FALSE(v.isTracking);
    EXPECT_FALSE(v.timer.isActive());
    EXPECT_EQ(text("elapsedLabel"), QStringLiteral("00:00:00"));
    EXPECT_EQ(text("startStopButton"), QStringLiteral("Start Tracking"));
    const auto saved = decodeTockles(file("tockles.json"));
    ASSERT_TRUE(saved && saved->size() == 1);
    const Tockle& t = saved->at(0);
    EXPECT_EQ(t.projectName, QStringLiteral("Design"));
    EXPECT_EQ(t.startTime.secondsSinceReference(), 786303000.125);
    EXPECT_EQ(t.duration, t.endTime.secondsSinceReference() - t.startTime.secondsSinceReference());
    EXPECT_NEAR(t.duration, 3659.9, 1e-6);
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Design=01:00:59")});
}

// Readers that miss renamed controls and choices made with the picker's list closed hear them as
// a notification, said as it shows: what it says at each showing.
struct Announcements : QObject {
    QStringList said;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            said.append(static_cast<QWidget*>(watched)->accessibleName());
        return false;
    }
};

TEST_F(PanelTest, StartsStopsAndChoicesWithTheListClosedAreAnnounced)
{
    writeData("projects.json", R"(["A","B"])");
    ContentView& v = open();
    auto* picker = child<QComboBox>("picker");
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Down);
    QWidget* announcement = child("announcement");
    ASSERT_TRUE(announcement);
    EXPECT_TRUE(announcement->isVisible());
    EXPECT_EQ(announcement->accessibleName(), QStringLiteral("B"));
    Announcements announcements;
    announcement->installEventFilter(&announcements);
    shortcut(&v, "Ctrl+S");
    click("startStopButton");
    v.hide();
    v.toggleTracking(); // from the icon's menu
    QWidget elsewhere; // has the keyboard while the panel is closed
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    v.show();
    EXPECT_EQ(announcements.said.size(), 2) << "the running timer is said once the panel has the keyboard";
    v.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&v));
    typeAndReturn(QStringLiteral("C"));
    click("removeButton");
    click("removeButton");
    click("removeButton");
    EXPECT_EQ(announcements.said, QStringLiteral("Stop (B)|Start Tracking|Tracking B, 00:00:00|C|A|B").split(QLatin1Char('|')))
        << "each said as it happens, the running timer as the panel opens again, nothing once no project is left";
}

TEST_F(PanelTest, TheTrackedProjectKeepsItsLabelAndRecordWhenChangedOrRemoved)
{
    writeData("projects.json", R"(["A","B"])");
    ContentView& v = open();
    click("startStopButton");
    choose(QStringLiteral("B"));
    tick(5);
    EXPECT_EQ(text("startStopButton"), QStringLiteral("Stop (A)"));
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("A=00:00:05"), QStringLiteral("B=00:00:00")}));
    choose(QStringLiteral("A"));
    click("removeButton");
    click("removeButton");
    EXPECT_TRUE(v.isTracking);
    EXPECT_FALSE(startStop()->isEnabled()) << "no projects: disabled even while tracking";
    shortcut(&v, "Ctrl+S");
    EXPECT_TRUE(v.isTracking) << "and so is its shortcut";
    typeAndReturn(QStringLiteral("C"));
    EXPECT_EQ(text("startStopButton"), QStringLiteral("Stop (A)"));
    tick(26);
    shortcut(&v, "Ctrl+S");
    ASSERT_EQ(v.store->tockles().size(), 1);
    EXPECT_EQ(v.store->tockles()[0].projectName, QStringLiteral("A"));
    EXPECT_EQ(v.store->tockles()[0].duration, 31.0);
    EXPECT_EQ(v.store->projects(), QStringList{QStringLiteral("C")}) << "the removed name does not come back";
}

TEST_F(PanelTest, ShortcutsQuitAndExportActOnlyWhereTheyShould)
{
    ContentView& v = open();
    shortcut(&v, "Ctrl+S");
    EXPECT_FALSE(v.isTracking) << "nothing selected: nothing happens";
    typeAndReturn(QStringLiteral("A"));
    shortcut(&v, "Ctrl+S");
    EXPECT_TRUE(v.isTracking);
    QSignalSpy quit(&v, &ContentView::quitRequested);
    shortcut(&v, "Ctrl+Q");
    click("quitButton");
    EXPECT_EQ(quit.count(), 2);
    EXPECT_TRUE(v.store->tockles().isEmpty()) << "quitting stores no running interval";
    click("exportButton");
    ASSERT_EQ(viewer->revealed.size(), 1);
    EXPECT_EQ(folder.read(viewer->revealed[0]).size(), 68);
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
    EXPECT_EQ(rows().last(), QStringLiteral("Empty=00:00:00"));
    typeAndReturn(QStringLiteral("Removed"));
    EXPECT_EQ(rows().last(), QStringLiteral("Removed=00:00:05")) << "a name added again brings its old total back";

    // Another computer's saves in a folder shared over the network, where no watch tells of
    // them: seen as the panel opens, and as the window without a tray comes to the front.
    view->hide();
    windowSystemFocuses(nullptr);
    writeData("tockles.json", encodeTockles({Tockle(QStringLiteral("Short"), {}, {}, 60)}).value());
    view->show();
    EXPECT_EQ(rows().first(), QStringLiteral("Short=00:01:59"));
    writeData("tockles.json", encodeTockles({Tockle(QStringLiteral("Short"), {}, {}, 60)}).value());
    windowSystemFocuses(view->windowHandle());
    QApplication::processEvents(); // the redraw that a change brings
    EXPECT_EQ(rows().first(), QStringLiteral("Short=00:02:59"));
}

// A right-to-left name, or one holding a direction override, goes into "Stop (…)" as a run of
// its own direction; else the bracket after it moves (drawn as "Stop (2027 (שלום").
TEST_F(PanelTest, ANameOfEitherDirectionIsIsolatedInTheStopLabel)
{
    const QStringList names = {QStringLiteral("\u05e9\u05dc\u05d5\u05dd 2027"),
                               QStringLiteral("\u202eevil")};
    writeData("projects.json", encodeProjects(names));
    ContentView& v = open();
    for (const QString& name : names) {
        choose(name);
        click("startStopButton");
        const QString expected = QStringLiteral("Stop (\u2068") + name + QStringLiteral("\u2069)");
        EXPECT_EQ(child<ElidingButton>("startStopButton")->shownText(), expected);
        EXPECT_EQ(v.startStopLabel(), expected) << "the tray menu's entry";
        click("startStopButton");
    }
}

TEST_F(PanelTest, LongNamesAreElidedAndNeverWidenThePanel)
{
    const QString longName = QStringLiteral(
        "<b>A very long</b> project name that would never fit into the panel at all, nor into a list twice its width");
    const QString german = QStringLiteral("Kunde: Müller GmbH – Wartungsvertrag 2027");
    writeData("projects.json", encodeProjects({longName, QStringLiteral("R&D <b>bold</b>"), german}));
    ContentView& v = open();
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
    auto* picker = child<ElidingComboBox>("picker");
    picker->showPopup();
    QWidget* list = picker->view()->window();
    ASSERT_TRUE(list->isVisible());
    EXPECT_LE(list->width(), 2 * v.width()) << "the picker's list keeps a sensible width";
    EXPECT_GE(list->width(), picker->width());
    EXPECT_EQ(QTextDocumentFragment::fromHtml(picker->itemData(0, Qt::ToolTipRole).toString()).toPlainText(), longName)
        << "hovering shows it whole and as typed";
    picker->hidePopup();
}

// Years of projects make more totals rows than a screen holds: the rows scroll, by wheel or by
// keyboard, and the panel, with "Export CSV" and "Quit" under the rows, stays on the screen.
TEST_F(PanelTest, TotalsBeyondTheScreenScrollAndThePanelFits)
{
    for (const int count : {3, 60}) {
        QStringList names;
        QByteArray records = "[";
        for (int i = 0; i < count; ++i) {
            names.append(QStringLiteral("Project %1").arg(i));
            records += QStringLiteral(R"(%1{"id":"%2","projectName":"Project %3","startTime":0,"endTime":60,"duration":60})")
                           .arg(i ? QStringLiteral(",") : QString(), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper())
                           .arg(i)
                           .toUtf8();
        }
        writeData("projects.json", encodeProjects(names));
        writeData("tockles.json", records + "]");
        ContentView& v = open();
        EXPECT_EQ(rows().size(), count);
        // The offscreen screen, like Wayland's, says all of it is free: the desktop's panels keep a share.
        ASSERT_EQ(v.screen()->availableGeometry(), v.screen()->geometry());
        EXPECT_LE(v.frameGeometry().height(), v.screen()->geometry().height() * 9 / 10) << count;
        auto* scroll = child<QScrollArea>("totalsScroll");
        EXPECT_EQ(scroll->verticalScrollBar()->maximum() > 0, count == 60) << count;
        // Rows that scroll are in reach of the keyboard too, and show that they have it.
        child("startStopButton")->setFocus();
        const QPoint aside = scroll->mapTo(&v, QPoint(-3, scroll->height() / 2));
        const QRgb unfocused = v.grab().toImage().pixel(aside);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget() == scroll, count == 60) << count;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
        EXPECT_EQ(scroll->verticalScrollBar()->value(), scroll->verticalScrollBar()->maximum()) << count;
        EXPECT_EQ(v.grab().toImage().pixel(aside) != unfocused, count == 60) << count;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
        EXPECT_EQ(scroll->verticalScrollBar()->value(), 0) << count;
        if (count == 60) { // a reader hears each row the keys bring into view
            QWidget* said = child("announcement");
            ASSERT_TRUE(said);
            EXPECT_EQ(said->accessibleName(), QStringLiteral("Project 0: 00:01:00"));
            const auto wholly = [](QWidget* row) { return row->visibleRegion().boundingRect() == row->rect(); };
            const auto all = view->findChildren<QWidget*>(QStringLiteral("totalsRow"));
            const auto next = *std::find_if_not(all.begin(), all.end(), wholly);
            QTest::keyClick(scroll, Qt::Key_Down);
            EXPECT_EQ(said->accessibleName(), next->accessibleName());
            EXPECT_TRUE(wholly(next));
        }
        QWidget* last = view->findChildren<QWidget*>(QStringLiteral("totalsRow")).last();
        scroll->ensureWidgetVisible(last);
        EXPECT_FALSE(last->visibleRegion().isEmpty()) << count;
        const int scrolled = scroll->verticalScrollBar()->value();
        click("startStopButton");
        tick(1);
        EXPECT_EQ(scroll->verticalScrollBar()->value(), scrolled) << "a tick leaves the rows where the user put them";
        view.reset();
    }
}
