"""Frame times of VTK's GPU volume ray caster on the benchmark scene, set up like the viewer:
same volume and transfer function, orthographic camera, the same number of samples over the
box diagonal, linear interpolation, shading on, no jitter, no automatic adjustment of the
sample distance, no multisampling. Run with Debian's python3 (package python3-vtk9).

With --volume the scene is that .dat file, and --stops gives its transfer function as
comma-separated stops sample:grey:alpha, linear in between and transparent outside them,
the same stops the viewer's benchmark builds its table from.

The box's longest side spans the window's shorter side, as the viewer's benchmark frames it.

With --blend mip the mapper takes the largest sample along each ray
(SetBlendModeToMaximumIntensity), shown through --window W,L (samples): black at L - W/2 and
below, white at L + W/2 and above, opaque everywhere, unshaded, as the viewer's MIP.

usage: /usr/bin/python3 vtk_peer.py [--frames N] [--size WxH]... [--volume FILE.dat --stops STOPS] [--save DIR]
                                    [--blend composite|mip --window W,L]
Prints one line per window size: width height rest_ms drag_ms, after a renderer line, and
per size the coverage of the resting picture: the share of pixels that are not black.
"""
import argparse
import statistics
import time

import numpy as np
import vtk
from vtk.util import numpy_support

N = 256


def dat_volume(path):
    raw = np.fromfile(path, dtype="<u2")
    nx, ny, nz = (int(v) for v in raw[:3])
    samples = raw[3:3 + nx * ny * nz]
    image = vtk.vtkImageData()
    image.SetDimensions(nx, ny, nz)
    image.SetSpacing(1.0, 1.0, 1.0)
    array = numpy_support.numpy_to_vtk(samples, deep=True, array_type=vtk.VTK_UNSIGNED_SHORT)
    image.GetPointData().SetScalars(array)
    return image


def bench_volume():
    z, y, x = np.meshgrid(np.arange(N), np.arange(N), np.arange(N), indexing="ij")
    c = N / 2.0
    r = np.sqrt((x - c) ** 2 + (y - c) ** 2 + (z - c) ** 2) / c
    v = 4095.0 * np.maximum(0.0, 1.0 - r) + 300.0 * np.sin(0.2 * x) * np.sin(0.23 * y) * np.sin(0.19 * z)
    samples = np.clip(v, 0.0, 4095.0).astype(np.uint16)
    image = vtk.vtkImageData()
    image.SetDimensions(N, N, N)
    image.SetSpacing(1.0, 1.0, 1.0)
    array = numpy_support.numpy_to_vtk(samples.ravel(), deep=True, array_type=vtk.VTK_UNSIGNED_SHORT)
    image.GetPointData().SetScalars(array)
    return image


def bench_functions():
    opacity = vtk.vtkPiecewiseFunction()
    for i in range(4096):
        a = min(i, 4095 - i) * 255 // 2048
        opacity.AddPoint(i, (a * a // 255) / 255.0)
    colour = vtk.vtkColorTransferFunction()
    colour.AddRGBPoint(0, 1.0, 1.0, 1.0)
    colour.AddRGBPoint(4095, 1.0, 1.0, 1.0)
    return opacity, colour


def stop_functions(text):
    stops = [tuple(float(v) for v in stop.split(":")) for stop in text.split(",")]
    opacity = vtk.vtkPiecewiseFunction()
    colour = vtk.vtkColorTransferFunction()
    for sample, grey, alpha in stops:
        opacity.AddPoint(sample, alpha)
        colour.AddRGBPoint(sample, grey, grey, grey)
    # Transparent outside the stops, as in the viewer's table.
    first, last = stops[0][0], stops[-1][0]
    if first > 0:
        opacity.AddPoint(first - 0.5, 0.0)
    if last < 4095:
        opacity.AddPoint(last + 0.5, 0.0)
    return opacity, colour


def window_functions(text):
    width, level = (float(v) for v in text.split(","))
    opacity = vtk.vtkPiecewiseFunction()
    opacity.AddPoint(0, 1.0)
    opacity.AddPoint(4095, 1.0)
    colour = vtk.vtkColorTransferFunction()
    colour.AddRGBPoint(level - width / 2.0, 0.0, 0.0, 0.0)
    colour.AddRGBPoint(level + width / 2.0, 1.0, 1.0, 1.0)
    colour.ClampingOn()
    return opacity, colour


def mip_property(functions):
    opacity, colour = functions
    prop = vtk.vtkVolumeProperty()
    prop.SetScalarOpacity(opacity)
    prop.SetColor(colour)
    prop.SetInterpolationTypeToLinear()
    prop.ShadeOff()
    return prop


def bench_property(sample_distance, functions):
    opacity, colour = functions
    prop = vtk.vtkVolumeProperty()
    prop.SetScalarOpacity(opacity)
    prop.SetColor(colour)
    prop.SetInterpolationTypeToLinear()
    prop.ShadeOn()
    prop.SetAmbient(0.25)
    prop.SetDiffuse(0.75)
    prop.SetSpecular(0.35)
    prop.SetSpecularPower(8.0)
    # The table's opacities hold per sample, as in the viewer.
    prop.SetScalarOpacityUnitDistance(sample_distance)
    return prop


def grab_picture(window):
    grab = vtk.vtkWindowToImageFilter()
    grab.SetInput(window)
    grab.Update()
    return grab


def save_picture(grab, path):
    writer = vtk.vtkPNGWriter()
    writer.SetFileName(path)
    writer.SetInputConnection(grab.GetOutputPort())
    writer.Write()


def coverage(grab):
    """Percentage of pixels whose brightest channel is above 2 of 255, as the viewer counts."""
    image = grab.GetOutput()
    pixels = numpy_support.vtk_to_numpy(image.GetPointData().GetScalars())
    brightest = pixels[:, :3].max(axis=1)
    return 100.0 * np.count_nonzero(brightest > 2) / max(1, len(brightest))


def median_frame_ms(window, frames):
    times = []
    for _ in range(frames):
        start = time.perf_counter()
        window.Render()
        window.WaitForCompletion()
        times.append((time.perf_counter() - start) * 1000.0)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--frames", type=int, default=10)
    parser.add_argument("--size", action="append")
    parser.add_argument("--volume")
    parser.add_argument("--stops")
    parser.add_argument("--save", help="folder for a picture of each window size at rest")
    parser.add_argument("--blend", default="composite", choices=["composite", "mip"])
    parser.add_argument("--window", default="4096,2048")
    args = parser.parse_args()
    sizes = [tuple(int(v) for v in s.split("x")) for s in (args.size or ["512x512", "1024x768"])]

    image = dat_volume(args.volume) if args.volume else bench_volume()
    mip = args.blend == "mip"
    if mip:
        functions = window_functions(args.window)
    else:
        functions = stop_functions(args.stops) if args.stops else bench_functions()
    dims = image.GetDimensions()
    extent = [d - 1 for d in dims]
    longest = max(extent)
    diagonal = sum(e * e for e in extent) ** 0.5
    mapper = vtk.vtkGPUVolumeRayCastMapper()
    mapper.SetInputData(image)
    if mip:
        mapper.SetBlendModeToMaximumIntensity()
    else:
        mapper.SetBlendModeToComposite()
    mapper.AutoAdjustSampleDistancesOff()
    mapper.SetUseJittering(False)
    volume = vtk.vtkVolume()
    volume.SetMapper(mapper)

    renderer = vtk.vtkRenderer()
    renderer.SetBackground(0, 0, 0)
    renderer.AddVolume(volume)
    window = vtk.vtkRenderWindow()
    window.SetMultiSamples(0)
    window.AddRenderer(renderer)

    camera = renderer.GetActiveCamera()
    camera.ParallelProjectionOn()
    centre = [e / 2.0 for e in extent]
    camera.SetFocalPoint(*centre)
    camera.SetPosition(centre[0], centre[1], centre[2] + 10.0 * (longest + 1))
    camera.SetViewUp(0, -1, 0)

    window.SetSize(*sizes[0])
    window.Render()
    renderer_line = [l for l in window.ReportCapabilities().splitlines() if "renderer string" in l]
    print("renderer:", renderer_line[0].split(":", 1)[1].strip() if renderer_line else "unknown", flush=True)

    for w, h in sizes:
        window.SetSize(w, h)
        camera.SetParallelScale(longest / 2.0 * max(1.0, h / w))
        renderer.ResetCameraClippingRange()
        results = []
        covered = 0.0
        for steps in (500, 28000 // w):
            distance = diagonal / steps
            mapper.SetSampleDistance(distance)
            volume.SetProperty(mip_property(functions) if mip else bench_property(distance, functions))
            window.Render()
            results.append(median_frame_ms(window, args.frames))
            if steps == 500:
                grab = grab_picture(window)
                covered = coverage(grab)
                if args.save:
                    save_picture(grab, "%s/vtk_%dx%d_rest.png" % (args.save, w, h))
        print(w, h, "%.1f" % results[0], "%.1f" % results[1], flush=True)
        print("coverage %dx%d: %.1f %%" % (w, h, covered), flush=True)


if __name__ == "__main__":
    main()
