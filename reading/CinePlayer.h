#pragma once

#include <QWidget>

class QAction;
class QSpinBox;
class QTimer;
class QToolButton;
class ReadingLayout;

// Cine: pages the current 2-D view through its slices at a chosen rate, after the last slice
// the first again, until "Play" or Ctrl+Space is pressed again or any other input arrives (a
// key, a mouse button, the wheel), so that the user takes over the view at once. Its own
// controls (the rate) can be used while it plays.
class CinePlayer : public QWidget
{
    Q_OBJECT

public:
    explicit CinePlayer(ReadingLayout *layout, QWidget *parent = nullptr);

    bool isPlaying() const;
    // Slices per second.
    int rate() const;
    static constexpr int defaultRate = 10;

public slots:
    void setPlaying(bool playing);

signals:
    void playingChanged(bool playing);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step();
    bool isOwnInput(QObject *watched) const;

    ReadingLayout *layout;
    QToolButton *playButton;
    QSpinBox *rateBox;
    QTimer *timer;
};
