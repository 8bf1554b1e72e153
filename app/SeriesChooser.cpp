#include "SeriesChooser.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { Description, Modality, Images, Grid, Spacing, ColumnCount };

QString text(const std::string &bytes)
{
    return QString::fromStdString(bytes);
}

QString patientTitle(const ExamSeries &series)
{
    const QString name = series.patientName.empty() ? SeriesChooser::tr("unnamed patient") : text(series.patientName);
    return series.patientId.empty() ? name : QStringLiteral("%1 (%2)").arg(name, text(series.patientId));
}

QString studyTitle(const ExamSeries &series)
{
    const QString date = series.studyDate.empty() ? SeriesChooser::tr("undated study") : text(examStudyDate(series.studyDate));
    return series.studyDescription.empty() ? date : QStringLiteral("%1 %2").arg(date, text(series.studyDescription));
}

} // namespace

SeriesChooser::SeriesChooser(const QString &path, const std::vector<ExamSeries> &exam, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Choose a Series"));
    seriesTree = new QTreeWidget(this);
    seriesTree->setColumnCount(ColumnCount);
    seriesTree->setHeaderLabels({tr("Description"), tr("Modality"), tr("Images"), tr("Grid"), tr("Spacing (mm)")});
    seriesTree->setRootIsDecorated(true);
    seriesTree->setUniformRowHeights(true);
    seriesTree->setAllColumnsShowFocus(true);

    const size_t largest = exam.empty() ? 0 : largestShowableSeries(exam);
    QTreeWidgetItem *preselected = nullptr;
    for (size_t i = 0; i < exam.size(); ++i) {
        QTreeWidgetItem *patient = groupItem(seriesTree->invisibleRootItem(), patientTitle(exam[i]));
        QTreeWidgetItem *item = seriesItem(groupItem(patient, studyTitle(exam[i])), exam[i], int(i) + 1);
        if (i == largest && !exam[i].colour)
            preselected = item;
    }
    seriesTree->expandAll();
    for (int column = 0; column < ColumnCount; ++column)
        seriesTree->resizeColumnToContents(column);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    openButton = buttons->button(QDialogButtonBox::Open);
    openButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(seriesTree, &QTreeWidget::itemActivated, this, [this] {
        if (chosenSeries() > 0)
            accept();
    });
    connect(seriesTree, &QTreeWidget::currentItemChanged, this, &SeriesChooser::allowOpen);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("%1 holds %2 series. Which one should open?").arg(path).arg(exam.size()), this));
    layout->addWidget(seriesTree);
    layout->addWidget(buttons);
    resize(760, 360);

    if (preselected)
        seriesTree->setCurrentItem(preselected);
    allowOpen();
    seriesTree->setFocus();
}

int SeriesChooser::chosenSeries() const
{
    const QTreeWidgetItem *item = seriesTree->currentItem();
    return item && (item->flags() & Qt::ItemIsEnabled) ? item->data(Description, Qt::UserRole).toInt() : 0;
}

// The patient or study under `parent` of that title, made where it is not there yet.
QTreeWidgetItem *SeriesChooser::groupItem(QTreeWidgetItem *parent, const QString &title)
{
    for (int i = 0; i < parent->childCount(); ++i) {
        if (parent->child(i)->text(Description) == title)
            return parent->child(i);
    }
    auto *item = new QTreeWidgetItem(parent, {title});
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

QTreeWidgetItem *SeriesChooser::seriesItem(QTreeWidgetItem *study, const ExamSeries &series, int number)
{
    auto *item = new QTreeWidgetItem(study);
    item->setText(Description, QStringLiteral("%1: %2").arg(number).arg(text(examSeriesName(series))));
    item->setText(Modality, text(series.modality));
    item->setText(Images, QString::number(series.images));
    item->setText(Grid, QStringLiteral("%1 x %2 x %3").arg(series.sizes[0]).arg(series.sizes[1]).arg(series.sizes[2]));
    item->setText(Spacing, QStringLiteral("%1 x %2 x %3").arg(series.spacing[0]).arg(series.spacing[1]).arg(series.spacing[2]));
    item->setTextAlignment(Images, Qt::AlignRight | Qt::AlignVCenter);
    item->setData(Description, Qt::UserRole, number);
    if (series.colour) {
        item->setFlags(Qt::NoItemFlags);
        item->setToolTip(Description, tr("holds colour images; only grey images are shown"));
    }
    return item;
}

void SeriesChooser::allowOpen()
{
    openButton->setEnabled(chosenSeries() > 0);
}
