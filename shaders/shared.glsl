// Functions shared by the fragment stages of both programs. Not a file of the working
// directory: compiled into the program, which puts it after the #version line of every
// fragment stage, together with the numbers it uses: transferTableSize, sampleScale and
// channelMax.

// The transfer function's colour of a stored sample. Sample value v is stored as
// v * sampleScale / channelMax; texel v of the transfer texture has its centre at
// (v + 0.5) / transferTableSize, and red and blue arrive exchanged.
vec4 classify(sampler1D transferTex, float stored)
{
    return texture1D(transferTex, stored * (channelMax / (sampleScale * transferTableSize)) + 0.5 / transferTableSize).bgra;
}
