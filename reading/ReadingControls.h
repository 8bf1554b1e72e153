#pragma once

#include <QWidget>

class QComboBox;
class ReadingLayout;

// The window's controls of the reading views: which layout the view area shows; the window
// of the 2-D views (the automatic one, or a CT preset where the values are Hounsfield units,
// each with a shortcut, and "Reset window" back to the volume's start window); and the tool
// a left drag in a 2-D view measures with, and the list of the measurements. The window box
// shows the choice that is in force, and "custom" once a drag has made a window of the
// user's own.
class ReadingControls : public QWidget
{
    Q_OBJECT

public:
    explicit ReadingControls(ReadingLayout *layout, QWidget *parent = nullptr);

    // The shortcuts of the window box's entries, in its order: the automatic window, then
    // the CT presets.
    static QList<QKeySequence> windowShortcuts();

signals:
    void measurementListRequested();

private:
    void addWindowChoices();
    void addWindowShortcuts();
    void applyWindowChoice(int index);
    void showWindowChoice();
    void offerPresets();

    ReadingLayout *layout;
    QComboBox *layoutBox;
    QComboBox *windowBox;
    QComboBox *toolBox;
};
