// Ray casting, fragment stage.
// In:  volumeTex (unit 0), the 3D volume: red, green, blue the encoded x, y, z gradient
//      (g * 8 + 32768, 16 bits), alpha the sample * 16 (about sample / 4096 normalised);
//      transferTex (unit 1), transferTableSize colours, texel i for sample i, red and blue
//      exchanged, with opacities for one step of this frame's step count;
//      backfaceTex (unit 2), per window pixel the texture coordinate where the ray leaves
//      the box; steps, the number of samples over the box's diagonal;
//      brickTex (unit 3), one texel per brick of the volume, 0 where the transfer function
//      makes the whole brick (and the voxels just around it) transparent; brickCount, the
//      bricks per axis; bricksPerUnit, bricks per unit of texture space along each axis;
//      skipEmpty, whether rays skip the transparent bricks;
//      cropMin and cropMax, the crop box in the box's texture coordinates (bounds the box
//      does not cut lie well outside 0..1);
//      textureExtent, the texture coordinate at which the volume's own grid ends along each
//      axis: the box's texture coordinates 0..1 cover the volume's own grid, and are scaled
//      by it to read the volume texture, whose padding beyond it the ray never reaches;
//      light 0 from the built-in state;
//      defined by the program right after the #version line when it compiles the shader:
//      maxSample (4095.0), transferTableSize (4096.0), referenceSteps (500),
//      shininessSquarings (3: the material's shininess is 2 to that power), the texel
//      encoding's gradientScale (8.0), gradientOffset (32768.0), sampleScale (16.0) and
//      channelMax (65535.0), and classify(), which looks a stored sample up in a transfer
//      texture.
// Out: the pixel's colour, composited front to back along the ray from entryPoint to the
//      exit point, of the samples inside the crop box, over the black background.

#version 120

uniform sampler3D volumeTex;
uniform sampler1D transferTex;
uniform sampler2D backfaceTex;
uniform int steps;
uniform sampler3D brickTex;
uniform vec3 brickCount;
uniform vec3 bricksPerUnit;
uniform bool skipEmpty;
uniform vec3 cropMin;
uniform vec3 cropMax;
uniform vec3 textureExtent;

varying vec3 entryPoint;
varying vec4 clipPosition;
varying vec3 boxSize;

// Beyond this the rest of the ray cannot change the pixel visibly.
const float opaqueEnough = 0.99;
// Gradients shorter than 2 sample units per voxel have no reliable direction. Encoded
// channels hold g * gradientScale / channelMax around gradientOffset / channelMax.
const float gradientZero = gradientOffset / channelMax;
const float minGradientSquared = (2.0 * gradientScale / channelMax) * (2.0 * gradientScale / channelMax);
const float specularStrength = 0.35;

#ifdef COUNT_SAMPLES
// For the benchmark only: per pixel, the samples its ray took and those it stepped over.
int takenSamples;
int skippedSamples;
#endif

// The light, the viewer and their halfway vector, turned into the volume's own axes once
// per pixel, so that each sample's gradient is used as it comes. The model-view matrix
// only turns, so its inverse is its transpose.
struct Lighting
{
    vec3 toLight;
    vec3 toViewer;
    vec3 halfway;
    vec3 ambient;
    vec3 diffuse;
    vec3 specular;
};

Lighting objectSpaceLighting()
{
    mat3 toObject = transpose(gl_NormalMatrix);
    Lighting l;
    l.toLight = normalize(toObject * gl_LightSource[0].position.xyz);
    l.toViewer = normalize(toObject * vec3(0.0, 0.0, 1.0));
    l.halfway = normalize(l.toLight + l.toViewer);
    l.ambient = gl_LightSource[0].ambient.rgb;
    l.diffuse = gl_LightSource[0].diffuse.rgb;
    l.specular = gl_LightSource[0].specular.rgb * specularStrength;
    return l;
}

// Blinn-Phong; surfaces face away from the denser side, and thin structures are lit from
// whichever side faces the viewer.
vec3 shade(vec3 color, vec3 encodedGradient, Lighting l)
{
    vec3 gradient = encodedGradient - gradientZero;
    float lengthSquared = dot(gradient, gradient);
    if (lengthSquared < minGradientSquared)
        return color;
    vec3 n = gradient * -inversesqrt(lengthSquared);
    if (dot(n, l.toViewer) < 0.0)
        n = -n;
    float diffuse = max(dot(n, l.toLight), 0.0);
    // Raised to the shininess by squaring: pow would cost two transcendental functions.
    float specular = max(dot(n, l.halfway), 0.0);
    for (int k = 0; k < shininessSquarings; ++k)
        specular *= specular;
    return color * (l.ambient + l.diffuse * diffuse) + l.specular * specular;
}

// Per-pixel offset of the first sample, against wood-grain rings; deterministic.
float jitter(vec2 pixel)
{
    return fract(52.9829189 * fract(dot(pixel, vec2(0.06711056, 0.00583715))));
}

// Narrows segment, the fractions of the ray (from entry, along ray) that lie in the crop
// box so far, to the slab between low and high of one axis.
vec2 clipToSlab(vec2 segment, float entry, float ray, float low, float high)
{
    if (abs(ray) < 1e-9)
        return entry < low || entry > high ? vec2(1.0, 0.0) : segment;
    float a = (low - entry) / ray;
    float b = (high - entry) / ray;
    return vec2(max(segment.x, min(a, b)), min(segment.y, max(a, b)));
}

// The fractions of the ray that lie in the crop box: from x to y, none where x > y.
vec2 cropSegment(vec3 entry, vec3 ray)
{
    vec2 segment = clipToSlab(vec2(0.0, 1.0), entry.x, ray.x, cropMin.x, cropMax.x);
    segment = clipToSlab(segment, entry.y, ray.y, cropMin.y, cropMax.y);
    return clipToSlab(segment, entry.z, ray.z, cropMin.z, cropMax.z);
}

// How many samples, from the one at q on, the ray takes inside q's brick, in brick units
// (one brick per unit): those before the nearest face it leaves through, and the one on it.
int samplesInBrick(vec3 q, vec3 brickDelta, vec3 stepsPerBrick, int left)
{
    vec3 cell = floor(q);
    vec3 toFace = mix(q - cell, cell + 1.0 - q, step(0.0, brickDelta)) * stepsPerBrick;
    float leave = min(min(toFace.x, toFace.y), toFace.z);
    return int(min(leave, float(left))) + 1;
}

// Front-to-back compositing of samples first..last along the ray, brick by brick: the
// samples in a transparent brick are stepped over in one go, and brick visibility is looked
// up once per brick, not per sample. Sample i lies at start + i * delta (volume texture
// coordinates), computed alike whether or not bricks are skipped, so that a sample on the
// edge of a sharp transfer function falls on the same side either way. The transfer
// texture's opacities already hold for this step length, so that the picture keeps its
// brightness and opacity while fewer steps are taken during a drag.
vec4 march(vec3 start, vec3 delta, int first, int last, Lighting lighting)
{
    vec4 sum = vec4(0.0);
    vec3 brickDelta = delta * bricksPerUnit;
    vec3 stepsPerBrick = 1.0 / max(abs(brickDelta), 1e-9);
    int i = first;
    while (i <= last) {
        int end = last + 1;
        if (skipEmpty) {
            vec3 q = (start + float(i) * delta) * bricksPerUnit;
            end = min(i + samplesInBrick(q, brickDelta, stepsPerBrick, last - i), end);
            if (texture3D(brickTex, (floor(q) + 0.5) / brickCount).r < 0.5) {
#ifdef COUNT_SAMPLES
                skippedSamples += end - i;
#endif
                i = end;
                continue;
            }
        }
        for (; i < end; ++i) {
#ifdef COUNT_SAMPLES
            takenSamples += 1;
#endif
            vec4 voxel = texture3D(volumeTex, start + float(i) * delta);
            vec4 source = classify(transferTex, voxel.a);
            if (source.a > 0.0) {
                sum.rgb += (1.0 - sum.a) * source.a * shade(source.rgb, voxel.rgb, lighting);
                sum.a += (1.0 - sum.a) * source.a;
                if (sum.a >= opaqueEnough)
                    return sum;
            }
        }
    }
    return sum;
}

void main()
{
    vec2 ndc = clipPosition.xy / clipPosition.w;
    vec3 exitPoint = texture2D(backfaceTex, ndc * 0.5 + 0.5).xyz;
    vec3 ray = exitPoint - entryPoint;
    float rayLength = length(ray * boxSize);
    int stepCount = max(steps, 1);
    float stepLength = length(boxSize) / float(stepCount);
    float offset = jitter(gl_FragCoord.xy);
    // Samples at entry + (offset + i) steps, for i = 0..count, all within the box; the ray
    // takes those from first to last, which lie in the crop box.
    float stepsAlong = rayLength / stepLength;
    int count = int(floor(stepsAlong - offset));
    // A ray along a crop plane crosses it by no more than the rounding of its exit point,
    // and the division by that gives fractions far beyond the ray: they are clamped to it
    // before they become sample numbers, where they would overflow an int and let a ray
    // outside the crop box march from the far past.
    vec2 cropped = cropSegment(entryPoint, ray);
    bool inCrop = cropped.x <= cropped.y;
    cropped = clamp(cropped, 0.0, 1.0);
    int first = int(max(ceil(cropped.x * stepsAlong - offset), 0.0));
    int last = inCrop ? int(min(floor(cropped.y * stepsAlong - offset), float(count))) : -1;
    vec3 delta = ray * (stepLength / max(rayLength, 1e-6));
    vec3 start = (entryPoint + delta * offset) * textureExtent;
    Lighting lighting = objectSpaceLighting();
#ifdef COUNT_SAMPLES
    takenSamples = 0;
    skippedSamples = 0;
#endif

    vec4 sum = march(start, delta * textureExtent, first, last, lighting);
    gl_FragColor = vec4(sum.rgb, 1.0);
#ifdef COUNT_SAMPLES
    // Taken in red and the low half of blue, skipped in green and the high half of blue.
    float taken = float(takenSamples), skipped = float(skippedSamples);
    gl_FragColor = vec4(mod(taken, 256.0), mod(skipped, 256.0),
                        floor(taken / 256.0) + 16.0 * floor(skipped / 256.0), 255.0) / 255.0;
#endif
}
