#include "CinePlayer.h"

#include "ReadingLayout.h"
#include "SliceView.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

namespace {

constexpr int fastestRate = 60;

// Ctrl on its own is the start of the shortcut that stops, not an input of its own.
bool isModifierKey(const QEvent *event)
{
    switch (static_cast<const QKeyEvent *>(event)->key()) {
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
        return true;
    default:
        return false;
    }
}

} // namespace

CinePlayer::CinePlayer(ReadingLayout *layout, QWidget *parent)
    : QWidget(parent), layout(layout), playButton(new QToolButton(this)), rateBox(new QSpinBox(this)),
      timer(new QTimer(this))
{
    playButton->setObjectName("cinePlayButton");
    playButton->setText(tr("Play"));
    playButton->setCheckable(true);
    playButton->setToolTip(tr("Page through the slices of the current 2-D view (Ctrl+Space); any input stops"));
    rateBox->setObjectName("cineRateBox");
    rateBox->setRange(1, fastestRate);
    rateBox->setValue(defaultRate);
    rateBox->setSuffix(tr(" /s"));
    rateBox->setToolTip(tr("Slices per second"));
    auto *toggle = new QAction(tr("Play slices"), this);
    toggle->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space));
    toggle->setShortcutContext(Qt::WindowShortcut);
    addAction(toggle);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(playButton);
    row->addWidget(rateBox);

    connect(playButton, &QToolButton::toggled, this, &CinePlayer::setPlaying);
    connect(toggle, &QAction::triggered, this, [this] { setPlaying(!isPlaying()); });
    connect(rateBox, qOverload<int>(&QSpinBox::valueChanged), this, [this](int slices) { timer->setInterval(1000 / slices); });
    connect(timer, &QTimer::timeout, this, &CinePlayer::step);
    timer->setInterval(1000 / defaultRate);
}

bool CinePlayer::isPlaying() const
{
    return timer->isActive();
}

int CinePlayer::rate() const
{
    return rateBox->value();
}

void CinePlayer::setPlaying(bool playing)
{
    if (playing == isPlaying())
        return;
    if (playing) {
        timer->start();
        qApp->installEventFilter(this);
    } else {
        timer->stop();
        qApp->removeEventFilter(this);
    }
    playButton->setChecked(playing);
    emit playingChanged(playing);
}

void CinePlayer::step()
{
    layout->currentSliceView()->stepCine();
}

bool CinePlayer::isOwnInput(QObject *watched) const
{
    auto *widget = qobject_cast<QWidget *>(watched);
    return widget && (widget == this || isAncestorOf(widget));
}

bool CinePlayer::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool input = (type == QEvent::KeyPress && !isModifierKey(event)) || type == QEvent::MouseButtonPress ||
                       type == QEvent::MouseButtonDblClick || type == QEvent::Wheel;
    if (input && !isOwnInput(watched))
        setPlaying(false);
    return QWidget::eventFilter(watched, event);
}
