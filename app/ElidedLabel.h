#pragma once

#include <QLabel>

// A one-line label that leaves out the middle of a text too long for it, so that both the
// start of a long path and the end of the line stay in view, instead of cutting the end.
// The text itself stays whole (text(), the tooltip the owner sets); the context menu copies
// it, as selecting it with the mouse no longer can.
class ElidedLabel : public QLabel
{
public:
    explicit ElidedLabel(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
