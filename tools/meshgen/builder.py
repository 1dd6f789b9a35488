"""Accumulates a mesh part by part and renumbers it in order of first use.

Vertices are tagged with a group (one cap, one wall section, one torus ...). After
renumbering, each maximal run of one group becomes a candidate stream partition, so
the grouping decides which points share a quantisation box.
"""

from dataclasses import dataclass, field

import numpy as np


@dataclass
class Group:
    name: str
    cap: bool  # a planar cap: must end up in a flat partition


@dataclass
class Mesh:
    """A finished mesh, vertices numbered in order of first use by the faces."""

    vertices: np.ndarray  # (n, 3) float64, mm
    faces: np.ndarray  # (m, 3) uint32
    vertex_group: np.ndarray  # (n,) group index per vertex
    groups: list
    parts: list = field(default_factory=list)  # (name, closed) of each part, for reports


class MeshBuilder:
    def __init__(self):
        self._chunks = []
        self._group_chunks = []
        self._count = 0
        self._faces = []
        self.groups = []
        self.parts = []

    def group(self, name, cap=False):
        self.groups.append(Group(name, cap))
        return len(self.groups) - 1

    def add_points(self, points, group):
        points = np.asarray(points, dtype=np.float64).reshape(-1, 3)
        first = self._count
        self._chunks.append(points)
        self._group_chunks.append(np.full(len(points), group, dtype=np.int64))
        self._count += len(points)
        return np.arange(first, self._count, dtype=np.int64)

    def positions(self, indices):
        """Positions of already added vertices (builder numbering)."""
        return np.concatenate(self._chunks)[np.asarray(indices)]

    def emit(self, triangles):
        triangles = np.asarray(triangles, dtype=np.int64).reshape(-1, 3)
        if len(triangles):
            self._faces.append(triangles)

    def build(self):
        vertices = np.concatenate(self._chunks)
        groups = np.concatenate(self._group_chunks)
        faces = np.concatenate(self._faces)
        order = first_use_order(faces, len(vertices))
        new_index = np.empty(len(vertices), dtype=np.int64)
        new_index[order] = np.arange(len(order))
        return Mesh(
            vertices=vertices[order].copy(),
            faces=new_index[faces].astype(np.uint32),
            vertex_group=groups[order].copy(),
            groups=list(self.groups),
            parts=list(self.parts),
        )


def first_use_order(faces, vertex_count):
    """Old vertex indices in the order the faces first mention them.

    Raises if some vertex is never used: an unused vertex could not be numbered.
    """
    flat = np.asarray(faces).reshape(-1)
    _, first = np.unique(flat, return_index=True)
    used = np.unique(flat)
    if len(used) != vertex_count:
        raise ValueError(f"{vertex_count - len(used)} vertices are not used by any face")
    return used[np.argsort(first, kind="stable")]
