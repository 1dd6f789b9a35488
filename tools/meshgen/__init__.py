"""Procedural link meshes of the CRX-5iA and CRX-10iA, written as embedded geometry streams.

Every mesh is built from lathes, tori and polygon caps in its own link frame, with
its vertex and face counts fixed by a per-model plan (see ``plans.py``).
"""
