#pragma once

#include <cstdint>
#include <vector>

class Volume;

// A volume's 3D texture held in main memory while the view's GL context is replaced by a
// new one (the view moved to another window or screen): read back from the old context just
// before it goes, uploaded into the new one, so the view keeps showing the volume it had
// without reading its file again. The copy lives only between the two steps.
class ParkedVolumeTexture
{
public:
    // Reads the volume's texture back and deletes it; needs the context that holds it to be
    // current. False, with one console line, when the copy does not fit into memory: the
    // texture is deleted all the same and the volume stays without one.
    bool park(Volume &volume);
    // Uploads the parked copy as the volume's texture in the current context and frees the
    // copy. Does nothing when nothing is parked.
    void restore(Volume &volume);
    // Forgets the copy (its volume was replaced before the new context came).
    void clear();

private:
    std::vector<uint16_t> texels;
};
