// Projections, vertex stage: as the ray program's, a corner of the volume's box in, and
// out where the view ray enters the volume (texture space), the clip position from which the
// fragment stage finds its texel of the back-face texture, and the box's extent in object
// units.

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
