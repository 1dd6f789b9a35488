"""Resolutions and cap choices of every mesh, per model.

Each plan fixes the vertex count V and the structure (open ends, seams, separate
parts) and therefore the face count F = 2V - delta, where delta = sum over parts of
4 - 4*genus + sum(loop length - 2) over its boundary loops. ``TARGETS`` holds the
counts each mesh must reach exactly; the generator checks them.
"""

TARGETS = {
    "crx5ia": ((981, 1958), (2983, 5671), (6084, 11372), (2381, 4379), (2743, 5158), (3078, 5784), (1124, 2244)),
    "crx10ia": ((986, 1968), (3557, 6527), (7408, 14100), (6170, 11504), (3184, 6045), (3600, 6821), (1573, 3142)),
}

# vertices on the flange's mating plane z = 0
FLANGE_FACE_VERTICES = {"crx5ia": 82, "crx10ia": 75}

PLANS = {
    "crx5ia": {
        "base": dict(n=80, k=4, floor="flat", top="fan", washer=(12, 5), connector=(10, 5)),
        "turret": dict(
            k=6, wr=6, column_n=80, neck_n=48, drum_n=88, drum_caps=("flat", "flat"),
            cover_n=72, cover_cap="fan", open_screws=(3, 11), seal=(46, 6),
        ),
        "upper_arm": dict(
            k=4, wr=6, tr=32, cap_n=80, cap_caps=("flat", "fan"), tube_n=88,
            cover_n=80, cover_cap="fan_s", open_screws=(4, 14), seals=None,
        ),
        "elbow": dict(
            k=6, wr=2, drum_n=88, drum_caps=("flat", "fan"), seams=False, collar_n=80,
            collar_caps=("open", "fan"), cover_n=80, cover_cap="fan_s", open_screws=(5, 9), ring=None,
        ),
        "forearm": dict(
            k=4, wr=0, tr=16, tube_n=80, knuckle_n=80, knuckle_caps=("flat", "flat"),
            cover=(80, "fan_s"), face_screws=None, seal=(17, 6),
        ),
        "wrist": dict(
            k=6, wr=6, drum_n=96, drum_caps=("flat", "flat_s"), j6_n=80, j6_caps=("open", "fan"),
            cover_n=80, cover_cap="fan", open_screws=None, closed_screws=(3, 10), ring=(40, 5),
        ),
        "flange": dict(nc=96, no=32, nr=16, nb=7, np=6, kb=5, ke=3, chamfer=False, bead=None),
    },
    "crx10ia": {
        "base": dict(n=96, k=3, floor="fan", top="fan", washer=(12, 4), connector=(12, 5)),
        "turret": dict(
            k=6, wr=6, column_n=104, neck_n=48, drum_n=104, drum_caps=("fan", "fan_s"),
            cover_n=96, cover_cap="fan", open_screws=(5, 13), seal=(24, 5),
        ),
        "upper_arm": dict(
            k=6, wr=0, tr=32, cap_n=96, cap_caps=("flat", "flat"), tube_n=112,
            cover_n=96, cover_cap="flat", open_screws=(8, 16), seals=(24, 5),
        ),
        "elbow": dict(
            k=4, wr=26, drum_n=128, drum_caps=("fan", "fan"), seams=True, collar_n=136,
            collar_caps=("open", "flat"), cover_n=128, cover_cap="flat", open_screws=(4, 11), ring=(24, 6),
        ),
        "forearm": dict(
            k=6, wr=0, tr=12, tube_n=96, knuckle_n=88, knuckle_caps=("fan", "fan_s"),
            cover=None, face_screws=(5, 7), seal=(16, 4),
        ),
        "wrist": dict(
            k=6, wr=6, drum_n=104, drum_caps=("fan", "fan"), j6_n=112, j6_caps=("open", "flat"),
            cover_n=95, cover_cap="flat", open_screws=(8, 16), closed_screws=(5, 8), ring=(16, 6),
        ),
        "flange": dict(nc=112, no=30, nr=15, nb=6, np=6, kb=5, ke=3, chamfer=True, bead=(56, 5)),
    },
}
