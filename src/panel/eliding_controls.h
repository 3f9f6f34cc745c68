#pragma once

#include <QComboBox>
#include <QPushButton>

// A push button whose label keeps its two ends whole: when "Stop (" + name + ")" does not fit,
// the name alone is cut with an ellipsis, so the control still reads as the stop control.
class ElidingButton : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

    void setLabel(const QString& before, const QString& elidable, const QString& after);
    // What the button paints.
    QString shownText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refit();

    QString before, elidable, after;
};

// The project picker, showing a name too long for it cut with an ellipsis instead of clipped.
class ElidingComboBox : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    // What the closed picker paints.
    QString shownText() const;
    void showPopup() override;
    void hidePopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool listJustClosed = false;
};
