#include "SavePictureDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

SavePictureDialog::SavePictureDialog(QWidget *parent, const QString &proposedPath, const QSize &viewSize,
                                     int maximumSide)
    : QDialog(parent)
{
    setWindowTitle(tr("Save Picture"));
    pathEdit = new QLineEdit(proposedPath, this);
    auto *browseButton = new QPushButton(tr("Browse..."), this);
    connect(browseButton, &QPushButton::clicked, this, &SavePictureDialog::browse);

    sizeBox = new QComboBox(this);
    for (int factor = 1; factor <= 4; ++factor) {
        const QSize size = viewSize * factor;
        if (factor > 1 && std::max(size.width(), size.height()) > maximumSide)
            break;
        const QString text = factor == 1 ? tr("%1 x %2 (the view)") : tr("%1 x %2");
        sizeBox->addItem(text.arg(size.width()).arg(size.height()), size);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(pathEdit, 1);
    pathRow->addWidget(browseButton);
    auto *form = new QFormLayout(this);
    form->addRow(tr("File:"), pathRow);
    form->addRow(tr("Size in pixels:"), sizeBox);
    form->addRow(buttons);
    resize(480, sizeHint().height());
}

QString SavePictureDialog::path() const
{
    return pathEdit->text();
}

QSize SavePictureDialog::pictureSize() const
{
    return sizeBox->currentData().toSize();
}

void SavePictureDialog::browse()
{
    const QString chosen = QFileDialog::getSaveFileName(this, tr("Save Picture"), pathEdit->text(),
                                                        tr("PNG Pictures (*.png)"));
    if (!chosen.isEmpty())
        pathEdit->setText(chosen);
}
