// Slice planes, fragment stage.
// In:  volumeTex (unit 0), alpha the sample * 16 (about sample / 4096 normalised);
//      transferTex (unit 1), transferTableSize colours with red and blue exchanged;
//      texCoord; classify(), which looks a stored sample up in a transfer texture, defined
//      by the program right after the #version line when it compiles the shader.
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
    vec4 classified = classify(transferTex, stored);
    vec3 grey = vec3(stored);
    gl_FragColor = vec4(mix(grey, classified.rgb, classified.a), 1.0);
}
