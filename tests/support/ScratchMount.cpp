#include "ScratchMount.h"

#include <QFile>

#include <sys/mount.h>

std::unique_ptr<ScratchMount> ScratchMount::tmpfs(const QString &folder, int kibibytes)
{
    const QByteArray target = QFile::encodeName(folder);
    const QByteArray options = "size=" + QByteArray::number(kibibytes) + "k";
    if (mount("tmpfs", target.constData(), "tmpfs", 0, options.constData()) != 0)
        return nullptr;
    return std::unique_ptr<ScratchMount>(new ScratchMount(target));
}

std::unique_ptr<ScratchMount> ScratchMount::readOnly(const QString &folder)
{
    const QByteArray target = QFile::encodeName(folder);
    if (mount(target.constData(), target.constData(), nullptr, MS_BIND, nullptr) != 0)
        return nullptr;
    auto bound = std::unique_ptr<ScratchMount>(new ScratchMount(target));
    // A bind mount takes the read-only flag only on a remount.
    if (mount(nullptr, target.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        return nullptr;
    return bound;
}

ScratchMount::~ScratchMount()
{
    // Lazily: a file of the folder may still be open somewhere in the test.
    umount2(target.constData(), MNT_DETACH);
}
