#include "MeasurementListDialog.h"

#include "ConsoleLine.h"
#include "MeasurementReport.h"
#include "ReadingState.h"
#include "WholeFile.h"

#include <QBoxLayout>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

MeasurementListDialog::MeasurementListDialog(ReadingState *state, QWidget *parent)
    : QDialog(parent), state(state), table(new QTableWidget(this))
{
    setWindowTitle(tr("Measurements"));
    table->setObjectName("measurementTable");
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    auto *copy = new QPushButton(tr("Copy"), this);
    auto *save = new QPushButton(tr("Save as CSV..."), this);
    auto *close = new QPushButton(tr("Close"), this);
    connect(copy, &QPushButton::clicked, this, &MeasurementListDialog::copyToClipboard);
    connect(save, &QPushButton::clicked, this, &MeasurementListDialog::askAndSave);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(table, &QTableWidget::cellClicked, this, &MeasurementListDialog::showRow);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(copy);
    buttons->addWidget(save);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table, 1);
    layout->addLayout(buttons, 0);
    resize(1000, 300);

    connect(state->measurements(), &MeasurementSet::changed, this, &MeasurementListDialog::fill);
    connect(state, &ReadingState::sourceChanged, this, &MeasurementListDialog::fill);
    fill();
}

void MeasurementListDialog::fill()
{
    const QList<QStringList> rows = measurementRows(state->source(), state->measurements()->all());
    table->clear();
    table->setColumnCount(int(rows.first().size()));
    table->setRowCount(int(rows.size()) - 1);
    table->setHorizontalHeaderLabels(rows.first());
    for (int r = 1; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            table->setItem(r - 1, c, new QTableWidgetItem(rows[r][c]));
    const int selected = state->measurements()->selected();
    if (selected >= 0)
        table->selectRow(selected);
    table->resizeColumnsToContents();
}

// The measurement's slice comes into the views through the cross point, which stays where
// it was along the other two axes.
void MeasurementListDialog::showRow(int row)
{
    MeasurementSet *set = state->measurements();
    if (row < 0 || row >= int(set->all().size()))
        return;
    const Measurement &m = set->all()[size_t(row)];
    std::array<int, 3> cross = state->crossPoint();
    cross[size_t(m.sliceAxis)] = m.slice;
    state->setCrossPoint(cross);
    set->select(row);
}

void MeasurementListDialog::copyToClipboard() const
{
    QGuiApplication::clipboard()->setText(measurementTable(state->source(), state->measurements()->all(), TableFormat::Text));
}

QString MeasurementListDialog::saveCsv(const QString &path) const
{
    const QString csv = measurementTable(state->source(), state->measurements()->all(), TableFormat::Csv);
    const QString failure = writeWholeFile(path, csv.toUtf8());
    if (failure.isEmpty())
        return {};
    const QString line = QString("Can't save the measurements to %1: %2").arg(path, failure);
    printConsole(line.toLocal8Bit().toStdString() + "\n");
    return line;
}

void MeasurementListDialog::askAndSave()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Measurements"), QStringLiteral("measurements.csv"),
                                                      tr("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    const QString failure = saveCsv(path);
    emit statusChanged(failure.isEmpty() ? tr("Measurements saved to %1").arg(path) : failure);
}
