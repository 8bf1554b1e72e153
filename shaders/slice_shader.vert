// Slice planes, vertex stage.
// In:  gl_Vertex, a corner of a slice quad; gl_MultiTexCoord0, its volume texture
//      coordinate; the built-in matrices. No vertex colour is given.
// Out: texCoord, the volume texture coordinate interpolated over the quad.

varying vec3 texCoord;

void main()
{
    texCoord = gl_MultiTexCoord0.xyz;
    gl_Position = ftransform();
}
