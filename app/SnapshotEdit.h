#pragma once

#include <QUndoCommand>

#include <functional>
#include <utility>

// An undo command that holds what something looked like before and after an edit, and hands
// one or the other back to be restored. The stack redoes a command as it is pushed, when the
// edit has happened already, so that first redo restores nothing.
template <typename Snapshot>
class SnapshotEdit : public QUndoCommand
{
public:
    using Restore = std::function<void(const Snapshot &)>;

    SnapshotEdit(Restore restore, Snapshot before, Snapshot after)
        : restore(std::move(restore)), before(std::move(before)), after(std::move(after))
    {
    }

    void undo() override { restore(before); }

    void redo() override
    {
        if (pushed)
            restore(after);
        pushed = true;
    }

protected:
    Restore restore;
    Snapshot before;
    Snapshot after;

private:
    bool pushed = false;
};
