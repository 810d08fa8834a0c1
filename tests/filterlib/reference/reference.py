#!/usr/bin/python3
"""Runs one reference operation of Pillow or OpenCV on a picture, for the effects' tests
and benchmarks.

    reference.py pillow|opencv OPERATION INPUT.ppm OUTPUT.ppm [--second SECOND.ppm] [--time N]
                 [--all-threads]

OPERATION is a Python expression: for pillow over `img`, the input as an RGB image (and
`img2`, the second picture), with Image, ImageOps, ImageChops, ImageEnhance, ImageFilter and
np at hand; for opencv over `a`, the input as a height x width x 3 array in OpenCV's blue,
green, red order (and `b`), with cv2 and np at hand. Its result (an image or an array, grey or colour, any depth) is written as an
8-bit RGB picture of the input's size. With --time N the operation runs N more times on
the picture in memory, OpenCV on one thread (with --all-threads on as many as it takes by
itself), and the median milliseconds are printed.
"""

import statistics
import sys
import time

import numpy as np


def as_rgb_bytes(result, tool):
    if tool == "pillow":
        result = np.asarray(result.convert("RGB") if result.mode != "RGB" else result)
    else:
        result = np.asarray(result)
        if result.ndim == 3 and result.shape[2] >= 3:
            result = result[:, :, 2::-1]
    if result.ndim == 2:
        result = np.stack([result] * 3, axis=2)
    if result.dtype != np.uint8:
        result = np.clip(np.rint(result.astype(np.float64)), 0, 255).astype(np.uint8)
    return np.ascontiguousarray(result)


def main(argv):
    tool, operation, source, target = argv[1:5]
    repeats = int(argv[argv.index("--time") + 1]) if "--time" in argv else 0
    second = argv[argv.index("--second") + 1] if "--second" in argv else None
    if tool == "pillow":
        from PIL import Image, ImageChops, ImageEnhance, ImageFilter, ImageOps
        img = Image.open(source).convert("RGB")
        scope = dict(Image=Image, ImageOps=ImageOps, ImageChops=ImageChops, ImageEnhance=ImageEnhance,
                     ImageFilter=ImageFilter, np=np, img=img)
        if second:
            scope["img2"] = Image.open(second).convert("RGB")
    elif tool == "opencv":
        import cv2
        if "--all-threads" not in argv:
            cv2.setNumThreads(1)
        a = cv2.imread(source, cv2.IMREAD_COLOR)
        scope = dict(cv2=cv2, np=np, a=a)
        if second:
            scope["b"] = cv2.imread(second, cv2.IMREAD_COLOR)
    else:
        raise SystemExit("unknown tool " + tool)
    code = compile(operation, "<operation>", "eval")
    result = eval(code, scope)
    rgb = as_rgb_bytes(result, tool)
    with open(target, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (rgb.shape[1], rgb.shape[0]))
        out.write(rgb.tobytes())
    if repeats:
        times = []
        for _ in range(repeats):
            start = time.perf_counter()
            eval(code, scope)
            times.append((time.perf_counter() - start) * 1000)
        print("%.3f" % statistics.median(times))


if __name__ == "__main__":
    main(sys.argv)
