#pragma once

#include <cstdint>

// The transfer texture a drag's rays read: the table with its opacities corrected for the
// drag's step count (opacityCorrectedTable). It is made when a drag's first frame needs it,
// and again only when the table or the step count changed.
class CorrectedTransferTexture
{
public:
    // In the current context; the active unit and the binding of unit 1 are left as found.
    unsigned int texture(const uint32_t *table, int steps);
    // The table changed: the next drag makes the texture anew.
    void markStale() { steps = 0; }
    // In the context that made the texture.
    void release();

private:
    unsigned int name = 0;
    // The step count the texture was made for; 0 where none or the table changed since.
    int steps = 0;
};
