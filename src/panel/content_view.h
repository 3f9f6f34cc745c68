#pragma once

#include "panel/panel_rules.h"
#include "store/tockle_store.h"

#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class ElidedLabel;
class ElidingButton;
class ElidingComboBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QShortcut;
class QToolButton;
class QVBoxLayout;

// The panel: projects, the start/stop control with its running time, the totals, export and
// quit. Its fields are the panel's whole state; they are read freely and changed only through
// the operations below, each of which redraws the panel from the store and the fields.
class ContentView : public QWidget {
    Q_OBJECT

public:
    explicit ContentView(StoreEnvironment environment, QWidget* parent = nullptr);
    ~ContentView() override;

    std::unique_ptr<TockleStore> store;
    QString newProjectName;
    QString selectedProject;
    QString currentProject;
    bool isTracking = false;
    std::optional<Instant> startTime;
    double elapsedTime = 0.0;
    QTimer timer;

    void toggleTracking();
    void startTracking();
    void stopTracking();
    void refreshElapsedTime();
    void submitNewProject();
    void removeSelectedProject();
    void selectFirstIfEmpty();
    void revalidateSelection(const QStringList& projects);

    // Rebuilds every child from the store's lists and the fields above.
    void render();

    // The start/stop control's label: "Start Tracking", or "Stop (" + project + ")".
    QString startStopLabel(qsizetype nameLimit = shownNameLimit) const;

Q_SIGNALS:
    // "Quit" or its shortcut: the application decides how to end.
    void quitRequested();
    // After each redraw and each tick while tracking, hidden or not: what shows outside the
    // panel (the tray) follows from the fields.
    void stateChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The label around the name, so the control can shorten the name alone.
    struct LabelParts {
        QString before, name, after;
    };
    LabelParts startStopLabelParts(qsizetype nameLimit = shownNameLimit) const;
    void buildWidgets();
    // The next tick: when the running time reaches its next whole second.
    void scheduleTick();
    void announceSelection();
    void renderPicker();
    void renderTotals();
    void fitHeight();
    int naturalHeight();
    int roomOnScreen() const;

    std::shared_ptr<const Clock> clock;

    QVBoxLayout* stack = nullptr;
    QLabel* hint = nullptr;
    QWidget* pickerRow = nullptr;
    ElidingComboBox* picker = nullptr;
    QStringList pickerProjects; // what the picker's items were made from
    QToolButton* removeButton = nullptr;
    QLineEdit* nameField = nullptr;
    QPushButton* addButton = nullptr;
    QLabel* elapsedLabel = nullptr;
    ElidingButton* startStopButton = nullptr;
    QShortcut* startStopShortcut = nullptr;
    QWidget* totalsDivider = nullptr;
    QWidget* totalsSection = nullptr;
    QScrollArea* totalsScroll = nullptr;
    QWidget* totalsList = nullptr;
    QVBoxLayout* totalsRowsLayout = nullptr;
    struct RowWidgets {
        QWidget* row;
        ElidedLabel* name;
        QLabel* total;
    };
    QList<RowWidgets> totalsRowWidgets;
    bool renderQueued = false;
    bool runningUntold = false;
};
