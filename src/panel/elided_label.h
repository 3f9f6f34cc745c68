#pragma once

#include <QWidget>

// One line of text cut at its tail with an ellipsis when narrow; it never asks for more width
// than it is given, so a long name cannot widen the panel.
class ElidedLabel : public QWidget {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return fullText; }
    // What is painted at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString fullText;
};
