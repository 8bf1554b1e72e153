// Ray casting, vertex stage.
// In:  gl_Vertex, a corner of the volume's box (object units, centred on the origin);
//      gl_MultiTexCoord0, the corner's volume texture coordinate (0 or 1 per axis);
//      the built-in model-view and projection matrices.
// Out: entryPoint, where the view ray enters the volume (texture space, interpolated over
//      the near face); clipPosition, from which the fragment stage finds its texel of the
//      back-face texture; boxSize, the box's extent in object units (the same at every
//      corner, so constant over the box), which turns texture-space lengths into object
//      units.

varying vec3 entryPoint;
varying vec4 clipPosition;
varying vec3 boxSize;

void main()
{
    entryPoint = gl_MultiTexCoord0.xyz;
    boxSize = 2.0 * abs(gl_Vertex.xyz);
    clipPosition = gl_ModelViewProjectionMatrix * gl_Vertex;
    gl_Position = clipPosition;
}
