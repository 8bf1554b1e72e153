#pragma once

#include "ExamSeries.h"

#include <QDialog>

#include <vector>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The choice of one series of an exam that holds several: a tree of patients, their studies
// and their series, each series with its description, modality, image count, grid and
// spacing. Colour series are listed greyed (the viewer shows grey images only). The largest
// series that can be shown is chosen at the start; Enter opens the chosen one, Escape
// cancels and the shown volume stays.
class SeriesChooser : public QDialog
{
    Q_OBJECT

public:
    SeriesChooser(const QString &path, const std::vector<ExamSeries> &exam, QWidget *parent = nullptr);

    // The chosen series' number in the exam's list, from 1; 0 where none is.
    int chosenSeries() const;
    QTreeWidget *tree() const { return seriesTree; }

private:
    QTreeWidgetItem *groupItem(QTreeWidgetItem *parent, const QString &text);
    QTreeWidgetItem *seriesItem(QTreeWidgetItem *study, const ExamSeries &series, int number);
    void allowOpen();

    QTreeWidget *seriesTree;
    QPushButton *openButton;
};
