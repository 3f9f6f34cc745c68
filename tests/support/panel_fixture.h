#pragma once

#include "panel/content_view.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

// A real panel on the offscreen platform, with a data folder, clock and file viewer of its own.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override { QDir().mkpath(folder.file(QStringLiteral("Documents"))); }

    ContentView& open()
    {
        StoreEnvironment env;
        env.applicationSupportDirectory = folder.path();
        env.documentsDirectory = [this] { return std::optional<QString>(folder.file(QStringLiteral("Documents"))); };
        env.clock = clock;
        env.fileViewer = viewer;
        view = std::make_unique<ContentView>(env);
        view->show();
        view->activateWindow();
        // Without a window manager (a bare X server) nothing makes a window active.
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            EXPECT_TRUE(QTest::qWaitForWindowActive(view.get()));
        else
            EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        return *view;
    }

    template <typename W = QWidget>
    W* child(const char* name) const
    {
        W* w = view->findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    bool shown(const char* name) const { return child(name)->isVisibleTo(view.get()); }
    // What a control reads as, without the invisible marks that set a name's direction apart.
    QString text(const char* name) const
    {
        if (auto* b = view->findChild<QAbstractButton*>(QLatin1String(name)))
            return b->text()
                .replace(QStringLiteral("&&"), QStringLiteral("&"))
                .remove(QChar(0x2068))
                .remove(QChar(0x2069));
        return child<QLabel>(name)->text();
    }
    QPushButton* startStop() const { return child<QPushButton>("startStopButton"); }

    // Typed as an input method commits it, so any Unicode text arrives as user input.
    void type(const QString& s)
    {
        QInputMethodEvent event;
        event.setCommitString(s);
        QApplication::sendEvent(child<QLineEdit>("nameField"), &event);
    }
    void typeAndReturn(const QString& s)
    {
        type(s);
        QTest::keyClick(child<QLineEdit>("nameField"), Qt::Key_Return);
    }
    void click(const char* name) { QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton); }
    void choose(const QString& project)
    {
        auto* picker = child<QComboBox>("picker");
        const int index = picker->findData(project);
        ASSERT_GE(index, 0);
        picker->setCurrentIndex(index);
        Q_EMIT picker->activated(index);
    }
    // What the totals rows show, as "name=total".
    QStringList rows() const
    {
        QStringList out;
        for (QWidget* row : view->findChildren<QWidget*>(QStringLiteral("totalsRow"))) {
            if (row->isVisibleTo(view.get()))
                out.append(row->accessibleName().replace(QStringLiteral(": "), QStringLiteral("=")));
        }
        return out;
    }
    void tick(double seconds)
    {
        clock->advance(seconds);
        view->refreshElapsedTime();
    }
    QByteArray file(const char* name) const { return folder.read(folder.dataFile(name)); }
    void writeData(const char* name, const QByteArray& bytes) { folder.write(folder.dataFile(name), bytes); }

    TempFolder folder;
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<RecordingFileViewer> viewer = std::make_shared<RecordingFileViewer>();
    std::unique_ptr<ContentView> view;
};
