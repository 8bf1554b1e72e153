#pragma once

#include <QDialog>

class QLabel;
class QTableWidget;
class ReadingState;

// The list of the volume's measurements, beside the window and kept up to date while they
// change: one row each with its view, slice, figures and statistics. A click on a row
// selects the measurement and brings its slice into the views. "Copy" puts the list on the
// clipboard as tab-separated text, "Save as CSV..." writes it to a file.
class MeasurementListDialog : public QDialog
{
    Q_OBJECT

public:
    MeasurementListDialog(ReadingState *state, QWidget *parent = nullptr);

    // The list as tab-separated text with its header row, as "Copy" gives it.
    void copyToClipboard() const;
    // Writes the list as CSV; the console's line where it failed, or an empty string.
    QString saveCsv(const QString &path) const;

signals:
    void statusChanged(const QString &line);

private:
    void fill();
    void showRow(int row);
    void askAndSave();

    ReadingState *state;
    QTableWidget *table;
};
