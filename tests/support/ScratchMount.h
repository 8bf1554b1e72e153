#pragma once

#include <QString>

#include <memory>

// A file system mounted over a test's folder for as long as the object lives: a tiny tmpfs
// that a test can fill, or the folder itself bound read-only. Mounting needs privileges
// (CAP_SYS_ADMIN); without them the factories give null and the test skips.
class ScratchMount
{
public:
    static std::unique_ptr<ScratchMount> tmpfs(const QString &folder, int kibibytes);
    static std::unique_ptr<ScratchMount> readOnly(const QString &folder);
    ~ScratchMount();

    ScratchMount(const ScratchMount &) = delete;
    ScratchMount &operator=(const ScratchMount &) = delete;

private:
    explicit ScratchMount(const QByteArray &target) : target(target) {}
    QByteArray target;
};
