# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the tiny depth models the estimator's tests run, into the folder
given as the one argument. Each output is a plain function of the input blob,
so that a test can compute what the estimator must give. Opset 11 and only
Mul, Conv, Add and Squeeze, which OpenCV's ONNX importer reads."""

import sys

import numpy
import onnx
from onnx import TensorProto, helper, numpy_helper

OPSET = 11


def conv_weights(name, rows):
    """A 1x1 convolution's weights: output channel o is sum_c rows[o][c] * input[c]."""
    weights = numpy.array(rows, dtype=numpy.float32).reshape(len(rows), len(rows[0]), 1, 1)
    return numpy_helper.from_array(weights, name)


def save(folder, name, nodes, initializers, output_shape, input_shape=(1, 3, "height", "width")):
    graph = helper.make_graph(
        nodes,
        name,
        [helper.make_tensor_value_info("picture", TensorProto.FLOAT, list(input_shape))],
        [helper.make_tensor_value_info("depth", TensorProto.FLOAT, list(output_shape))],
        initializers,
    )
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", OPSET)])
    model.ir_version = 7
    onnx.checker.check_model(model)
    onnx.save(model, f"{folder}/{name}.onnx")


def main(folder):
    # 1 * c0^2 + 10 * c1^2 + 100 * c2^2 of the blob's channels, as [1, 1, H, W]:
    # the squares make the mean show, the weights the channel order and scales.
    save(
        folder,
        "weighted_squares",
        [
            helper.make_node("Mul", ["picture", "picture"], ["squares"]),
            helper.make_node("Conv", ["squares", "weights"], ["depth"], kernel_shape=[1, 1]),
        ],
        [conv_weights("weights", [[1, 10, 100]])],
        [1, 1, "height", "width"],
    )
    # The blob's first channel as [1, H, W] and as [H, W].
    first = [helper.make_node("Conv", ["picture", "weights"], ["first"], kernel_shape=[1, 1])]
    save(
        folder,
        "first_channel",
        first + [helper.make_node("Squeeze", ["first"], ["depth"], axes=[1])],
        [conv_weights("weights", [[1, 0, 0]])],
        [1, "height", "width"],
    )
    save(
        folder,
        "first_channel_flat",
        first + [helper.make_node("Squeeze", ["first"], ["depth"], axes=[0, 1])],
        [conv_weights("weights", [[1, 0, 0]])],
        ["height", "width"],
    )
    # The blob itself, three values a pixel: no depth model.
    save(
        folder,
        "three_channels",
        [helper.make_node("Conv", ["picture", "weights"], ["depth"], kernel_shape=[1, 1])],
        [conv_weights("weights", [[1, 0, 0], [0, 1, 0], [0, 0, 1]])],
        [1, 3, "height", "width"],
    )
    # Made for 8 x 8 inputs alone: a constant plane of that size is added.
    save(
        folder,
        "fixed_8x8",
        [
            helper.make_node("Conv", ["picture", "weights"], ["first"], kernel_shape=[1, 1]),
            helper.make_node("Add", ["first", "plane"], ["depth"]),
        ],
        [conv_weights("weights", [[1, 0, 0]]), numpy_helper.from_array(numpy.ones((1, 1, 8, 8), numpy.float32), "plane")],
        [1, 1, 8, 8],
        input_shape=(1, 3, 8, 8),
    )


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_depth_models.py FOLDER")
    main(sys.argv[1])
