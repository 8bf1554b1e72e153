"""Frame times of VTK's GPU volume ray caster on the benchmark scene, set up like the viewer:
same volume and transfer function, orthographic camera, the same number of samples over the
box diagonal, linear interpolation, shading on, no jitter, no automatic adjustment of the
sample distance, no multisampling. Run with Debian's python3 (package python3-vtk9).

usage: /usr/bin/python3 vtk_peer.py [--frames N] [--size WxH]...
Prints one line per window size: width height rest_ms drag_ms, after a renderer line.
"""
import argparse
import statistics
import time

import numpy as np
import vtk
from vtk.util import numpy_support

N = 256


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


def bench_property(sample_distance):
    opacity = vtk.vtkPiecewiseFunction()
    for i in range(4096):
        a = min(i, 4095 - i) * 255 // 2048
        opacity.AddPoint(i, (a * a // 255) / 255.0)
    colour = vtk.vtkColorTransferFunction()
    colour.AddRGBPoint(0, 1.0, 1.0, 1.0)
    colour.AddRGBPoint(4095, 1.0, 1.0, 1.0)
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
    args = parser.parse_args()
    sizes = [tuple(int(v) for v in s.split("x")) for s in (args.size or ["512x512", "1024x768"])]

    image = bench_volume()
    diagonal = (N - 1) * 3 ** 0.5
    mapper = vtk.vtkGPUVolumeRayCastMapper()
    mapper.SetInputData(image)
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
    camera.SetFocalPoint((N - 1) / 2.0, (N - 1) / 2.0, (N - 1) / 2.0)
    camera.SetPosition((N - 1) / 2.0, (N - 1) / 2.0, (N - 1) / 2.0 + 10.0 * N)
    camera.SetViewUp(0, -1, 0)

    window.SetSize(*sizes[0])
    window.Render()
    renderer_line = [l for l in window.ReportCapabilities().splitlines() if "renderer string" in l]
    print("renderer:", renderer_line[0].split(":", 1)[1].strip() if renderer_line else "unknown", flush=True)

    for w, h in sizes:
        window.SetSize(w, h)
        camera.SetParallelScale((N - 1) / 2.0 * max(1.0, h / w))
        renderer.ResetCameraClippingRange()
        results = []
        for steps in (500, 28000 // w):
            distance = diagonal / steps
            mapper.SetSampleDistance(distance)
            volume.SetProperty(bench_property(distance))
            window.Render()
            results.append(median_frame_ms(window, args.frames))
        print(w, h, "%.1f" % results[0], "%.1f" % results[1], flush=True)


if __name__ == "__main__":
    main()
