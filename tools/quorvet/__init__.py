"""Encoder of ``quorvet`` geometry streams (tools and tests only)."""

from .arithmetic import decode_rotation, rotation_code
from .encoder import (
    EncodedMesh,
    Number64A,
    Number64B,
    ToleranceNotRepresentable,
    encode_mesh,
    encode_mesh_detailed,
    first_use_order,
)

__all__ = [
    "EncodedMesh",
    "Number64A",
    "Number64B",
    "ToleranceNotRepresentable",
    "decode_rotation",
    "encode_mesh",
    "encode_mesh_detailed",
    "first_use_order",
    "rotation_code",
]
