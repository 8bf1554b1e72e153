#pragma once

#include <QWidget>

class QComboBox;
class ReadingLayout;

// The window's controls of the reading views: which layout the view area shows, and the
// window of the 2-D views (the automatic one, or a CT preset where the values are Hounsfield
// units). The window box shows the choice that is in force, and stays blank once a drag has
// made a window of the user's own.
class ReadingControls : public QWidget
{
    Q_OBJECT

public:
    explicit ReadingControls(ReadingLayout *layout, QWidget *parent = nullptr);

private:
    void applyWindowChoice(int index);
    void showWindowChoice();
    void offerPresets();

    ReadingLayout *layout;
    QComboBox *layoutBox;
    QComboBox *windowBox;
};
