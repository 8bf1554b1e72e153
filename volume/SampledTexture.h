#pragma once

// The one place where the program's textures get their sampling: every texture the view and
// the volume make (the volume's 3D texture, the transfer table's 1D texture, the back-face
// texture and the brick texture) is made here, so that none can end up with the driver's
// default mipmapped minification, which would leave it incomplete and read as black.

// Generates a texture name, binds it to target (GL_TEXTURE_1D, 2D or 3D) on the active unit
// and sets the minification and magnification filter and the wrap mode along every axis the
// target has. No mipmaps are made or used. Returns the name, left bound.
unsigned int createSampledTexture(unsigned int target, int filter, int wrap);

// One texel per brick of the volume: makes *texture (nearest, clamped) where it is 0, binds
// it on the active unit and uploads the counts[0] x counts[1] x counts[2] luminance texels of
// data, whose rows start every `alignment` bytes; the GL's unpack alignment stays as it was.
void uploadBrickTexture(unsigned int *texture, const int counts[3], int internalFormat, unsigned int type, int alignment,
                        const void *data);
