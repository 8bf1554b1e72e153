// Projections, fragment stage.
// In:  volumeTex (unit 0), the volume's samples alone, one channel (read as red) holding the
//      sample * sampleScale / channelMax;
//      backfaceTex (unit 2), per window pixel the texture coordinate where the ray leaves
//      the box; brickMaxTex (unit 3), per brick the largest value a filtered sample in it
//      can take, on the samples' scale, 0 outside the crop box; brickCount, the bricks per
//      axis; bricksPerUnit, bricks per unit of texture space along each axis; skipBricks,
//      whether a MIP steps over the bricks that cannot raise it;
//      steps, the number of samples over the box's diagonal; cropMin and cropMax, the crop
//      box in the box's texture coordinates; textureExtent, where the volume's own grid
//      ends in the texture; mode, 1 MIP, 2 MinIP, 3 average;
//      windowLow and windowHigh, the window on the samples' scale.
// Out: the grey of the largest, smallest or mean sample of the ray inside the crop box,
//      black where the ray misses the crop box.

#version 120

uniform sampler3D volumeTex;
uniform sampler2D backfaceTex;
uniform sampler3D brickMaxTex;
uniform vec3 brickCount;
uniform vec3 bricksPerUnit;
uniform bool skipBricks;
uniform int steps;
uniform vec3 cropMin;
uniform vec3 cropMax;
uniform vec3 textureExtent;
uniform int mode;
uniform float windowLow;
uniform float windowHigh;

varying vec3 entryPoint;
varying vec4 clipPosition;
varying vec3 boxSize;

// The stretch of the ray (as fractions from its entry) between two planes of one axis.
vec2 betweenPlanes(vec2 part, float entry, float along, float low, float high)
{
    if (abs(along) < 1e-9)
        return entry < low || entry > high ? vec2(1.0, 0.0) : part;
    float toLow = (low - entry) / along;
    float toHigh = (high - entry) / along;
    return vec2(max(part.x, min(toLow, toHigh)), min(part.y, max(toLow, toHigh)));
}

// Samples before the ray leaves the brick that q (brick units) lies in, counting q's own.
int samplesLeftInBrick(vec3 q, vec3 brickStep, vec3 stepsPerBrick, int left)
{
    vec3 cell = floor(q);
    vec3 toFace = mix(q - cell, cell + 1.0 - q, step(0.0, brickStep)) * stepsPerBrick;
    return int(min(min(toFace.x, toFace.y), min(toFace.z, float(left)))) + 1;
}

// The largest sample, brick by brick: a brick whose maximum cannot raise what the ray has
// found, nor reach the window, is stepped over whole.
float largestAlong(vec3 start, vec3 delta, int first, int last)
{
    float largest = 0.0;
    vec3 brickStep = delta * bricksPerUnit;
    vec3 stepsPerBrick = 1.0 / max(abs(brickStep), 1e-9);
    int i = first;
    while (i <= last) {
        int end = last + 1;
        if (skipBricks) {
            vec3 q = (start + float(i) * delta) * bricksPerUnit;
            end = min(i + samplesLeftInBrick(q, brickStep, stepsPerBrick, last - i), end);
            if (texture3D(brickMaxTex, (floor(q) + 0.5) / brickCount).r <= max(largest, windowLow)) {
                i = end;
                continue;
            }
        }
        for (; i < end; ++i)
            largest = max(largest, texture3D(volumeTex, start + float(i) * delta).r);
        // White already: nothing further along can change the pixel.
        if (largest >= windowHigh)
            return largest;
    }
    return largest;
}

float smallestAlong(vec3 start, vec3 delta, int first, int last)
{
    float smallest = 1.0;
    for (int i = first; i <= last; ++i)
        smallest = min(smallest, texture3D(volumeTex, start + float(i) * delta).r);
    return smallest;
}

float meanAlong(vec3 start, vec3 delta, int first, int last)
{
    float sum = 0.0;
    for (int i = first; i <= last; ++i)
        sum += texture3D(volumeTex, start + float(i) * delta).r;
    return sum / float(last - first + 1);
}

void main()
{
    vec2 ndc = clipPosition.xy / clipPosition.w;
    vec3 exitPoint = texture2D(backfaceTex, ndc * 0.5 + 0.5).xyz;
    vec3 ray = exitPoint - entryPoint;
    float stepLength = length(boxSize) / float(max(steps, 1));
    float stepsAlong = length(ray * boxSize) / stepLength;
    // Samples at entry + (i + 0.5) steps; the ray takes those inside the crop box.
    vec2 part = betweenPlanes(vec2(0.0, 1.0), entryPoint.x, ray.x, cropMin.x, cropMax.x);
    part = betweenPlanes(part, entryPoint.y, ray.y, cropMin.y, cropMax.y);
    part = betweenPlanes(part, entryPoint.z, ray.z, cropMin.z, cropMax.z);
    bool inCrop = part.x <= part.y;
    part = clamp(part, 0.0, 1.0);
    int first = int(max(ceil(part.x * stepsAlong - 0.5), 0.0));
    int last = int(min(floor(part.y * stepsAlong - 0.5), floor(stepsAlong - 0.5)));
    if (!inCrop || last < first) {
        gl_FragColor = vec4(0.0, 0.0, 0.0, 1.0);
        return;
    }
    vec3 delta = ray / max(stepsAlong, 1e-6) * textureExtent;
    vec3 start = entryPoint * textureExtent + 0.5 * delta;
    float value;
    if (mode == 1)
        value = largestAlong(start, delta, first, last);
    else if (mode == 2)
        value = smallestAlong(start, delta, first, last);
    else
        value = meanAlong(start, delta, first, last);
    float grey = clamp((value - windowLow) / max(windowHigh - windowLow, 1e-6), 0.0, 1.0);
    gl_FragColor = vec4(grey, grey, grey, 1.0);
}
