#include "panel/content_view.h"

#include "model/duration_format.h"
#include "model/project_name.h"
#include "panel/elided_label.h"
#include "panel/eliding_controls.h"
#include "panel/panel_rules.h"
#include "panel/panel_style.h"
#include "platform/accessibility.h"
#include "platform/timer_icon.h"

#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr int panelWidth = 260;
// Names longer than this may be cut in the picker's list.
constexpr qsizetype longNameLength = 40;

QIcon trashIcon()
{
    return svgIcon(QStringLiteral(":/icons/trash.svg"));
}

// A tooltip reads text that looks like markup as markup; a name must show as typed.
QString plainToolTip(const QString& text)
{
    return Qt::mightBeRichText(text) ? QStringLiteral("<p>") + text.toHtmlEscaped() + QStringLiteral("</p>") : text;
}

template <typename W>
W* named(W* widget, const char* objectName, const QString& accessibleName)
{
    widget->setObjectName(QLatin1String(objectName));
    widget->setAccessibleName(accessibleName);
    return widget;
}

// Totals that scroll take the keyboard, so that the rows beyond the panel's height are in reach
// without a wheel: arrows and Page Up/Down as Qt gives them, and Home and End.
class TotalsScrollArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const int before = verticalScrollBar()->value();
        if (event->key() == Qt::Key_Home || event->key() == Qt::Key_End)
            verticalScrollBar()->triggerAction(event->key() == Qt::Key_Home ? QAbstractSlider::SliderToMinimum
                                                                            : QAbstractSlider::SliderToMaximum);
        else
            QScrollArea::keyPressEvent(event);
        if (verticalScrollBar()->value() != before)
            sayRowBroughtIn(verticalScrollBar()->value() > before);
    }
    // A reader hears nothing of rows that scroll into view: the one the keys brought wholly in,
    // at the edge they moved towards, is said.
    void sayRowBroughtIn(bool down)
    {
        const int top = verticalScrollBar()->value();
        const int bottom = top + viewport()->height();
        const QWidget* said = nullptr;
        for (const QWidget* row : widget()->findChildren<QWidget*>(QStringLiteral("totalsRow"), Qt::FindDirectChildrenOnly)) {
            if (!row->isVisible() || row->y() < top || row->geometry().bottom() >= bottom)
                continue;
            said = row;
            if (!down)
                break;
        }
        if (said)
            platform::announce(this, said->accessibleName());
    }
    // The panel draws the focus around the rows.
    void focusInEvent(QFocusEvent* event) override
    {
        QScrollArea::focusInEvent(event);
        window()->update();
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        QScrollArea::focusOutEvent(event);
        window()->update();
    }
};

} // namespace

ContentView::ContentView(StoreEnvironment environment, QWidget* parent)
    : QWidget(parent), clock(environment.clock ? environment.clock : std::make_shared<SystemClock>())
{
    environment.clock = clock;
    store = std::make_unique<TockleStore>(std::move(environment));
    setObjectName(QStringLiteral("ContentView"));
    // The panel holds the focus when it opens; a screen reader announces it by this name.
    setAccessibleName(tr("Tockles"));
    setFocusPolicy(Qt::ClickFocus);
    buildWidgets();

    // The notice comes before the change, so the redraw waits for the event loop.
    connect(store.get(), &TockleStore::objectWillChange, this, [this] {
        if (renderQueued)
            return;
        renderQueued = true;
        QMetaObject::invokeMethod(this, &ContentView::render, Qt::QueuedConnection);
    });
    connect(store.get(), &TockleStore::projectsChanged, this, &ContentView::revalidateSelection);
    // A pop-up is never the active window to the widgets in it, but it takes the keyboard.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focused) {
        if (!focused || focused != window()->windowHandle() || !std::exchange(runningUntold, false) || !isTracking)
            return;
        platform::announce(this, tr("Tracking %1, %2").arg(shownName(currentProject), formatDuration(elapsedTime)));
    });

    // Ticks only while tracking, each just after the running time reaches a whole second: the
    // display then turns with the seconds it shows, and an idle tray never wakes the machine.
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &ContentView::refreshElapsedTime);
    render();
}

ContentView::~ContentView() = default;

void ContentView::buildWidgets()
{
    setFixedWidth(panelWidth);
    stack = new QVBoxLayout(this);
    stack->setSpacing(12);

    hint = named(new QLabel(tr("Add a project below to start tracking."), this), "hint",
                 tr("Add a project below to start tracking."));
    hint->setWordWrap(true);
    hint->setTextFormat(Qt::PlainText);
    hint->setFont(panel_style::caption(font()));
    panel_style::makeSecondary(hint);
    stack->addWidget(hint);

    pickerRow = named(new QWidget(this), "pickerRow", tr("Project"));
    auto* pickerLayout = new QHBoxLayout(pickerRow);
    pickerLayout->setContentsMargins(0, 0, 0, 0);
    picker = named(new ElidingComboBox(pickerRow), "picker", tr("Project"));
    // On Linux a combo box speaks as its current choice; readers take its name from a label.
    auto* pickerLabel = new QLabel(tr("Project"), pickerRow);
    pickerLabel->setObjectName(QStringLiteral("pickerLabel"));
    pickerLabel->setBuddy(picker);
    pickerLabel->setFixedSize(0, 0);
    picker->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    picker->setMinimumContentsLength(8);
    picker->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    pickerLayout->addWidget(picker, 0, Qt::AlignVCenter);
    removeButton = named(new QToolButton(pickerRow), "removeButton", tr("Remove selected project"));
    removeButton->setIcon(trashIcon());
    removeButton->setAutoRaise(true);
    removeButton->setToolTip(tr("Remove selected project"));
    pickerLayout->addWidget(removeButton, 0, Qt::AlignVCenter);
    stack->addWidget(pickerRow);

    auto* newRow = named(new QWidget(this), "newProjectRow", tr("New project"));
    auto* newLayout = new QHBoxLayout(newRow);
    newLayout->setContentsMargins(0, 0, 0, 0);
    nameField = named(new QLineEdit(newRow), "nameField", tr("New Project..."));
    nameField->setPlaceholderText(tr("New Project..."));
    nameField->setMaxLength(std::numeric_limits<int>::max()); // names have no length limit
    newLayout->addWidget(nameField, 1, Qt::AlignVCenter);
    addButton = named(new QPushButton(tr("Add"), newRow), "addButton", tr("Add"));
    addButton->setAutoDefault(false);
    newLayout->addWidget(addButton, 0, Qt::AlignVCenter);
    stack->addWidget(newRow);

    stack->addWidget(panel_style::divider(this));

    auto* elapsedRow = named(new QWidget(this), "elapsedRow", tr("Elapsed time"));
    auto* elapsedLayout = new QHBoxLayout(elapsedRow);
    elapsedLayout->setContentsMargins(0, 8, 0, 8);
    // Its name is the time itself, so a reader that asks hears "00:12:34".
    elapsedLabel = new QLabel(elapsedRow);
    elapsedLabel->setObjectName(QStringLiteral("elapsedLabel"));
    elapsedLabel->setAccessibleDescription(tr("Elapsed time"));
    elapsedLabel->setFont(panel_style::titleMonospaced());
    elapsedLabel->setAlignment(Qt::AlignCenter);
    elapsedLayout->addWidget(elapsedLabel, 1, Qt::AlignVCenter);
    stack->addWidget(elapsedRow);

    startStopButton = new ElidingButton(this);
    startStopButton->setObjectName(QStringLiteral("startStopButton"));
    // A QShortcut of its own: a button's setText() replaces its shortcut with the text's mnemonic.
    startStopShortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+S")), this);
    startStopButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    stack->addWidget(startStopButton);

    totalsDivider = panel_style::divider(this);
    stack->addWidget(totalsDivider);
    totalsSection = named(new QWidget(this), "totalsSection", tr("Total Time by Project"));
    totalsSection->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* totalsLayout = new QVBoxLayout(totalsSection);
    totalsLayout->setContentsMargins(0, 0, 0, 0);
    totalsLayout->setSpacing(4);
    auto* heading = named(new QLabel(tr("Total Time by Project"), totalsSection), "totalsHeading",
                          tr("Total Time by Project"));
    heading->setFont(panel_style::caption2(font()));
    panel_style::makeSecondary(heading);
    totalsLayout->addWidget(heading);
    // Rows that would make the panel taller than the screen scroll, so that the controls below
    // them stay in reach.
    totalsScroll = named(new TotalsScrollArea(totalsSection), "totalsScroll", tr("Totals"));
    totalsScroll->setFrameShape(QFrame::NoFrame);
    totalsScroll->setFocusPolicy(Qt::NoFocus);
    totalsScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    totalsScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    totalsScroll->setFixedHeight(0);
    totalsScroll->setWidgetResizable(true);
    totalsScroll->viewport()->setAutoFillBackground(false);
    totalsScroll->viewport()->setAccessibleName(tr("Totals"));
    totalsList = named(new QWidget, "totalsList", tr("Totals"));
    totalsRowsLayout = new QVBoxLayout(totalsList);
    totalsRowsLayout->setSpacing(4);
    totalsRowsLayout->setContentsMargins(0, 0, 0, 4);
    totalsScroll->setWidget(totalsList);
    totalsList->setAutoFillBackground(false);
    totalsLayout->addWidget(totalsScroll);
    stack->addWidget(totalsSection);

    stack->addWidget(panel_style::divider(this));

    auto* exportButton = named(new QPushButton(tr("Export CSV"), this), "exportButton", tr("Export CSV"));
    exportButton->setAutoDefault(false);
    stack->addWidget(exportButton, 0, Qt::AlignLeft);
    auto* quitButton = named(new QPushButton(tr("Quit"), this), "quitButton", tr("Quit"));
    quitButton->setAutoDefault(false);
    auto* quitShortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Q")), this);
    stack->addWidget(quitButton, 0, Qt::AlignLeft);

    connect(picker, &QComboBox::activated, this, [this](int index) {
        selectedProject = picker->itemData(index).toString();
        render();
    });
    connect(removeButton, &QToolButton::clicked, this, &ContentView::removeSelectedProject);
    // Any change of the text counts, typed or set by an assistive tool; the panel's own
    // setText() below carries the same value back and changes nothing.
    connect(nameField, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text == newProjectName)
            return;
        newProjectName = text;
        render();
    });
    connect(nameField, &QLineEdit::returnPressed, this, &ContentView::submitNewProject);
    connect(addButton, &QPushButton::clicked, this, &ContentView::submitNewProject);
    connect(startStopButton, &QPushButton::clicked, this, &ContentView::toggleTracking);
    connect(exportButton, &QPushButton::clicked, this, [this] { store->exportCSV(); });
    connect(startStopShortcut, &QShortcut::activated, this, &ContentView::toggleTracking);
    connect(quitButton, &QPushButton::clicked, this, &ContentView::quitRequested);
    connect(quitShortcut, &QShortcut::activated, this, &ContentView::quitRequested);
}

void ContentView::toggleTracking()
{
    if (isTracking)
        stopTracking();
    else
        startTracking();
    platform::announce(this, startStopButton->accessibleName());
}

void ContentView::startTracking()
{
    if (selectedProject.isEmpty())
        return;
    currentProject = selectedProject;
    startTime = clock->now();
    elapsedTime = 0;
    isTracking = true;
    scheduleTick();
    render();
}

void ContentView::stopTracking()
{
    if (startTime) {
        const Instant now = clock->now();
        const double duration = now.timeIntervalSince(*startTime);
        store->addTockle(Tockle(currentProject, *startTime, now, duration));
    }
    isTracking = false;
    startTime.reset();
    elapsedTime = 0;
    timer.stop();
    render();
}

void ContentView::scheduleTick()
{
    // A few milliseconds past the second, so that a wall clock slewed against the timer's own
    // still reads the new second; a tick that lands early anyway is followed at once by another.
    constexpr int pastTheSecond = 5;
    const double untilNextSecond = std::floor(elapsedTime) + 1 - elapsedTime;
    // Beyond 2^52 seconds (a clock set wildly) whole seconds no longer differ: once a second.
    const bool meaningful = untilNextSecond > 0 && untilNextSecond <= 1;
    timer.start((meaningful ? int(std::ceil(untilNextSecond * 1000)) : 1000) + pastTheSecond);
}

void ContentView::refreshElapsedTime()
{
    if (!isTracking || !startTime)
        return;
    elapsedTime = clock->now().timeIntervalSince(*startTime);
    scheduleTick();
    // A hidden panel is redrawn when it is shown again.
    if (isVisible())
        render();
    else
        Q_EMIT stateChanged();
}

void ContentView::submitNewProject()
{
    const QString name = trimmedName(newProjectName);
    if (name.isEmpty())
        return;
    store->addProject(name);
    selectedProject = name;
    newProjectName.clear();
    render();
    announceSelection();
}

void ContentView::removeSelectedProject()
{
    store->removeProject(selectedProject);
    selectedProject = firstOrEmpty(store->projects());
    render();
    announceSelection();
}

// The focus stays in the field or on the remove button while the picker changes beside it: a
// reader says nothing of the project now picked, which the next remove would take away.
void ContentView::announceSelection()
{
    if (!selectedProject.isEmpty())
        platform::announce(this, selectedProject);
}

void ContentView::selectFirstIfEmpty()
{
    if (selectedProject.isEmpty())
        selectedProject = firstOrEmpty(store->projects());
    render();
}

void ContentView::revalidateSelection(const QStringList& projects)
{
    selectedProject = revalidatedSelection(selectedProject, projects);
    render();
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A folder shared over the network (an NFS home) tells nothing of another computer's saves:
    // whenever the user looks, the files are looked at, so the totals include them.
    store->refreshFromDisk();
    // The panel itself holds the focus, so its shortcuts work at once and no field grabs the
    // keyboard on its own.
    setFocus(Qt::OtherFocusReason);
    selectFirstIfEmpty();
    // A reader hears only the window's name as the panel opens again: a running timer is said
    // after it, once its window has the keyboard (said earlier, it came ahead of the name).
    runningUntold = isTracking;
}

// The window without a tray stays shown: for it, coming to the front is the user looking.
void ContentView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible())
        store->refreshFromDisk();
}

// The focus around the totals, drawn outside them so that it never crosses a name or a time.
void ContentView::paintEvent(QPaintEvent*)
{
    if (!totalsScroll->hasFocus())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
    const QRectF around = QRectF(QRect(totalsScroll->mapTo(this, QPoint()), totalsScroll->size())).adjusted(-2.5, -1.5, 2.5, 1.5);
    painter.drawRoundedRect(around, 2, 2);
}

void ContentView::render()
{
    renderQueued = false;
    const bool hasProjects = !store->projects().isEmpty();

    hint->setVisible(!hasProjects);
    pickerRow->setVisible(hasProjects);
    renderPicker();

    if (nameField->text() != newProjectName)
        nameField->setText(newProjectName);
    addButton->setEnabled(!trimmedName(newProjectName).isEmpty());

    elapsedLabel->setText(formatDuration(elapsedTime));
    const LabelParts label = startStopLabelParts();
    startStopButton->setLabel(label.before, label.name, label.after);
    const bool enabled = startStopEnabled(store->projects(), isTracking, selectedProject);
    startStopButton->setEnabled(enabled);
    startStopShortcut->setEnabled(enabled);

    totalsDivider->setVisible(hasProjects);
    totalsSection->setVisible(hasProjects);
    if (hasProjects)
        renderTotals();
    fitHeight();
    Q_EMIT stateChanged();
}

ContentView::LabelParts ContentView::startStopLabelParts(qsizetype nameLimit) const
{
    if (!isTracking)
        return {tr("Start Tracking"), {}, {}};
    const QString pattern = tr("Stop (%1)");
    return {pattern.section(QStringLiteral("%1"), 0, 0), shownName(currentProject, nameLimit), pattern.section(QStringLiteral("%1"), 1)};
}

QString ContentView::startStopLabel(qsizetype nameLimit) const
{
    const LabelParts label = startStopLabelParts(nameLimit);
    return label.name.isEmpty() ? label.before
                                : label.before + isolatedName(label.name) + label.after;
}

void ContentView::renderPicker()
{
    const QStringList& projects = store->projects();
    // Rebuilding only on a real change keeps an open pop-up intact through the ticks; the list
    // shares its data with the store's, so an unchanged list compares at once.
    if (pickerProjects != projects) {
        const QSignalBlocker block(picker);
        picker->clear();
        for (const QString& name : projects) {
            picker->addItem(shownName(name), name);
            // The list cuts a long name; hovering shows it whole.
            if (name.size() > longNameLength)
                picker->setItemData(picker->count() - 1, plainToolTip(shownName(name)), Qt::ToolTipRole);
        }
        pickerProjects = projects;
    }
    int index = -1;
    for (int i = 0; i < projects.size() && index < 0; ++i) {
        if (namesEqual(projects[i], selectedProject))
            index = i;
    }
    if (picker->currentIndex() != index) {
        const QSignalBlocker block(picker);
        picker->setCurrentIndex(index);
    }
    removeButton->setVisible(!selectedProject.isEmpty());
}

void ContentView::renderTotals()
{
    const TockleStore::NameIndex index = store->nameIndex();
    const QList<TotalsRow> rows = totalsRows({store->projects(), store->tockles(), isTracking, currentProject,
                                              elapsedTime, selectedProject, &index.ids, &index.names});
    while (totalsRowWidgets.size() < rows.size()) {
        auto* row = new QWidget(totalsList);
        row->setObjectName(QStringLiteral("totalsRow"));
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* name = new ElidedLabel(row);
        name->setObjectName(QStringLiteral("totalsName"));
        name->setFont(panel_style::caption(font()));
        layout->addWidget(name, 1, Qt::AlignVCenter);
        auto* total = new QLabel(row);
        total->setObjectName(QStringLiteral("totalsTime"));
        total->setFont(panel_style::captionMonospaced(font()));
        total->setTextFormat(Qt::PlainText);
        total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        layout->addWidget(total, 0, Qt::AlignVCenter);
        totalsRowsLayout->addWidget(row);
        totalsRowWidgets.append({row, name, total});
    }
    for (qsizetype i = 0; i < totalsRowWidgets.size(); ++i) {
        const RowWidgets& w = totalsRowWidgets[i];
        const bool shown = i < rows.size();
        if (shown) {
            const QString total = formatDuration(rows[i].total);
            w.name->setText(shownName(rows[i].name));
            w.total->setText(total);
            const QString spoken = shownName(rows[i].name) + QStringLiteral(": ") + total;
            if (w.row->accessibleName() != spoken) // every change is announced; the same text is not
                w.row->setAccessibleName(spoken);
        }
        w.row->setVisible(shown);
    }
}

void ContentView::fitHeight()
{
    const int rowsHeight = totalsList->sizeHint().height();
    // The panel's height follows the rows' one for one; it is worked out without touching the
    // rows, so that a tick neither lays them out again nor moves them.
    const int shownBefore = totalsScroll->minimumHeight();
    const int whole = naturalHeight() - shownBefore + rowsHeight;
    const int room = roomOnScreen();
    int shown = rowsHeight;
    if (totalsSection->isVisible() && whole > room) {
        // A few rows always show, however small the screen.
        const int fewRows = 3 * (QFontMetrics(panel_style::caption(font())).height() + totalsRowsLayout->spacing());
        shown = std::max(rowsHeight - (whole - room), std::min(rowsHeight, fewRows));
    }
    if (shown != shownBefore) {
        totalsScroll->setFixedHeight(shown);
        // The section's size is cached on the way up; the stack must see the new one now.
        totalsSection->updateGeometry();
        const bool scrolls = shown < rowsHeight;
        totalsScroll->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        totalsScroll->setFocusPolicy(scrolls ? Qt::TabFocus : Qt::NoFocus);
        // An arrow key moves the rows by one.
        if (!totalsRowWidgets.isEmpty())
            totalsScroll->verticalScrollBar()->setSingleStep(totalsRowWidgets.first().row->sizeHint().height()
                                                             + totalsRowsLayout->spacing());
        // The times keep clear of the scroll bar.
        totalsRowsLayout->setContentsMargins(0, 0, scrolls ? totalsRowsLayout->spacing() : 0, 4);
    }
    const int height = naturalHeight();
    if (height != this->height())
        setFixedHeight(height);
}

int ContentView::naturalHeight()
{
    stack->activate();
    return hasHeightForWidth() ? heightForWidth(panelWidth) : sizeHint().height();
}

int ContentView::roomOnScreen() const
{
    const QScreen* screen = this->screen();
    if (!screen)
        return std::numeric_limits<int>::max();
    int room = screen->availableGeometry().height();
    // Where the desktop does not say what its own panels take (Wayland), leave them a share.
    if (screen->availableGeometry() == screen->geometry())
        room = room * 9 / 10;
    // A decorated window's title bar takes its share of the screen too.
    const QWidget* window = this->window();
    return room - (window->frameGeometry().height() - window->geometry().height());
}
