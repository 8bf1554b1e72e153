// Slice planes, fragment stage.
// In:  volumeTex (unit 0), alpha the sample * 16 (about sample / 4096 normalised);
//      transferTex (unit 1), transferTableSize colours with red and blue exchanged;
//      texCoord; maxSample (4095.0) and transferTableSize (4096.0), defined by the program
//      right after the #version line when it compiles the shader.
// Out: the sample classified through the transfer function, laid over the sample's own
//      grey value, so the plane still shows the data where the transfer function is
//      transparent.

#version 120

uniform sampler3D volumeTex;
uniform sampler1D transferTex;

varying vec3 texCoord;

void main()
{
    float stored = texture3D(volumeTex, texCoord).a;
    vec4 classified = texture1D(transferTex, stored * (65535.0 / (16.0 * transferTableSize)) + 0.5 / transferTableSize).bgra;
    vec3 grey = vec3(stored);
    gl_FragColor = vec4(mix(grey, classified.rgb, classified.a), 1.0);
}
