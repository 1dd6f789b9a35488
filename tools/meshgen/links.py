"""The seven link meshes of one model, each in its own link frame.

Mesh 0 is the base (base frame); mesh i moves with frame i - 1 of the forward
kinematics. Every housing is a body of revolution about its joint axis, so turning
the joint never changes its silhouette.
"""

import math

import numpy as np

from .builder import MeshBuilder
from .facetri import triangulate_with_holes
from .plans import PLANS
from .primitives import FLAT, OPEN, cover, drum, emit, fillet_arc, frame, lathe, screws, torus

X, Y, Z = np.eye(3)
ALONG_Z = frame(Z, X)
ALONG_Y = frame(Y, Z)
AGAINST_Y = frame(-Y, Z)
ALONG_X = frame(X, Y)
ORIGIN = (0.0, 0.0, 0.0)


def build_base(d, p):
    b = MeshBuilder()
    floor, foot_top = -d.floor_depth, -d.floor_depth + d.foot_thickness
    profile = [(d.foot_radius, floor), (d.foot_radius, foot_top), (d.base_radius, foot_top)]
    profile += fillet_arc(
        d.base_radius - d.base_fillet, d.base_top - d.base_fillet, d.base_fillet, 0, 90, p["k"]
    )
    emit(b, lathe(b, "base drum", ALONG_Z, ORIGIN, profile, p["n"], p["floor"], p["top"]))
    wa, wb = p["washer"]
    for i in range(4):
        t = math.radians(45.0 + 90.0 * i)
        centre = (d.bolt_circle * math.cos(t), d.bolt_circle * math.sin(t), foot_top + 0.6 * d.washer_minor)
        torus(b, f"washer {i}", ALONG_Z, centre, d.washer_major, d.washer_minor, wa, wb)
    ca, cb = p["connector"]
    for side in (1.0, -1.0):
        # centred on the rear wall, axis along the wall normal: half of the ring is sunk
        y = side * d.connector_y
        x = -math.sqrt(d.base_radius**2 - y**2)
        normal = np.array([x, y, 0.0]) / d.base_radius
        torus(
            b,
            f"connector {side:+.0f}",
            frame(normal, Z),
            (x, y, d.connector_z),
            d.connector_major,
            d.connector_minor,
            ca,
            cb,
        )
    return b.build()


def build_turret(d, p):
    b = MeshBuilder()
    k = p["k"]
    column = [(d.column_radius, d.base_top + 1.0)]
    column += fillet_arc(
        d.column_radius - d.column_fillet, d.column_top - d.column_fillet, d.column_fillet, 0, 90, k
    )
    emit(b, lathe(b, "J1 column", ALONG_Z, ORIGIN, column, p["column_n"], OPEN, FLAT))
    neck = [(d.neck_radius, d.column_top - 1.0), (d.neck_radius, -25.0)]
    emit(b, lathe(b, "neck", ALONG_Z, ORIGIN, neck, p["neck_n"], OPEN, OPEN))
    emit(
        b,
        drum(
            b,
            "J2 drum",
            ALONG_Y,
            ORIGIN,
            d.j2_radius,
            -d.j2_half_width,
            d.j2_half_width,
            d.j2_fillet,
            k,
            p["wr"],
            p["drum_n"],
            *p["drum_caps"],
        ),
    )
    face = d.j2_half_width + 3.0
    cover(
        b,
        "J2 cover",
        AGAINST_Y,
        ORIGIN,
        d.j2_cover_radius,
        d.j2_half_width - 1.0,
        face,
        p["cover_n"],
        p["cover_cap"],
    )
    count, s = p["open_screws"]
    screws(b, "J2 screw", AGAINST_Y, ORIGIN, face, 0.8 * d.j2_cover_radius, 3.0, count, s, closed=False)
    sa, sb = p["seal"]
    torus(b, "J1 seal", ALONG_Z, (0.0, 0.0, d.base_top + 3.5), d.column_radius + 0.5, 2.0, sa, sb)
    return b.build()


def build_upper_arm(d, p):
    b = MeshBuilder()
    k = p["k"]
    for name, centre in (("J2 end cap", ORIGIN), ("J3 end cap", (0.0, 0.0, d.z1))):
        emit(
            b,
            drum(
                b,
                name,
                ALONG_Y,
                centre,
                d.arm_cap_radius,
                d.arm_cap_y0,
                d.arm_cap_y1,
                d.arm_cap_fillet,
                k,
                p["wr"],
                p["cap_n"],
                *p["cap_caps"],
            ),
        )
    tr = p["tr"]
    tube = [(d.arm_tube_radius, d.z1 * s / (tr - 1)) for s in range(tr)]
    emit(b, lathe(b, "arm tube", ALONG_Z, (0.0, d.arm_tube_y, 0.0), tube, p["tube_n"], OPEN, OPEN))
    count, s = p["open_screws"]
    for name, centre in (("J2", ORIGIN), ("J3", (0.0, 0.0, d.z1))):
        face = d.arm_cap_y1 + 2.0
        cover(
            b,
            f"{name} arm cover",
            ALONG_Y,
            centre,
            0.8 * d.arm_cap_radius,
            d.arm_cap_y1 - 1.0,
            face,
            p["cover_n"],
            p["cover_cap"],
        )
        screws(
            b,
            f"{name} arm screw",
            ALONG_Y,
            centre,
            face,
            0.62 * d.arm_cap_radius,
            2.8,
            count,
            s,
            closed=False,
        )
    if p["seals"]:
        sa, sb = p["seals"]
        # in the J2 and J3 gaps, touching this link's own end caps only
        y = d.arm_cap_y0 - 0.8
        for name, z in (("J2", 0.0), ("J3", d.z1)):
            torus(b, f"{name} gap seal", ALONG_Y, (0.0, y, z), d.arm_cap_radius - 5.0, 1.6, sa, sb)
    return b.build()


def build_elbow(d, p):
    b = MeshBuilder()
    k = p["k"]
    emit(
        b,
        drum(
            b,
            "J3 drum",
            ALONG_Y,
            ORIGIN,
            d.j3_radius,
            -d.j3_half_width,
            d.j3_half_width,
            d.j3_fillet,
            k,
            p["wr"],
            p["drum_n"],
            *p["drum_caps"],
            seams=p["seams"],
        ),
    )
    collar = [(d.collar_radius, 0.0)]
    collar += fillet_arc(
        d.collar_radius - d.collar_fillet, d.collar_front - d.collar_fillet, d.collar_fillet, 0, 90, k
    )
    emit(b, lathe(b, "J4 collar", ALONG_X, ORIGIN, collar, p["collar_n"], *p["collar_caps"]))
    face = d.j3_half_width + 3.0
    cover(
        b,
        "J3 cover",
        AGAINST_Y,
        ORIGIN,
        0.78 * d.j3_radius,
        d.j3_half_width - 1.0,
        face,
        p["cover_n"],
        p["cover_cap"],
    )
    count, s = p["open_screws"]
    screws(b, "J3 screw", AGAINST_Y, ORIGIN, face, 0.62 * d.j3_radius, 3.0, count, s, closed=False)
    if p["ring"]:
        ra, rb = p["ring"]
        torus(
            b,
            "J3 cover ring",
            ALONG_Y,
            (0.0, -(d.j3_half_width + 0.5), 0.0),
            0.78 * d.j3_radius + 2.5,
            1.2,
            ra,
            rb,
        )
    return b.build()


def build_forearm(d, p):
    b = MeshBuilder()
    k, tr = p["k"], p["tr"]
    start = d.forearm_start + 4.0
    tube = fillet_arc(d.forearm_radius - 4.0, start, 4.0, -90, 0, k)
    tube += [(d.forearm_radius, start + (d.x1 - start) * s / (tr - 1)) for s in range(1, tr)]
    emit(b, lathe(b, "forearm", ALONG_X, ORIGIN, tube, p["tube_n"], FLAT, OPEN))
    centre = (d.x1, 0.0, 0.0)
    emit(
        b,
        drum(
            b,
            "J5 knuckle",
            ALONG_Y,
            centre,
            d.knuckle_radius,
            d.knuckle_y0,
            d.knuckle_y1,
            d.knuckle_fillet,
            k,
            p["wr"],
            p["knuckle_n"],
            *p["knuckle_caps"],
        ),
    )
    if p["cover"]:
        n, cap = p["cover"]
        cover(
            b,
            "knuckle cover",
            ALONG_Y,
            centre,
            0.78 * d.knuckle_radius,
            d.knuckle_y1 - 1.0,
            d.knuckle_y1 + 2.0,
            n,
            cap,
        )
    if p["face_screws"]:
        count, s = p["face_screws"]
        screws(
            b,
            "knuckle screw",
            ALONG_Y,
            centre,
            d.knuckle_y1,
            0.6 * d.knuckle_radius,
            2.5,
            count,
            s,
            closed=False,
        )
    sa, sb = p["seal"]
    torus(b, "J4 seal", ALONG_X, (d.forearm_start + 0.8, 0.0, 0.0), d.forearm_radius - 3.0, 1.2, sa, sb)
    return b.build()


def build_wrist(d, p):
    b = MeshBuilder()
    k = p["k"]
    emit(
        b,
        drum(
            b,
            "J5 drum",
            ALONG_Y,
            ORIGIN,
            d.j5_radius,
            d.j5_y0,
            d.j5_y1,
            d.j5_fillet,
            k,
            p["wr"],
            p["drum_n"],
            *p["drum_caps"],
        ),
    )
    housing = [(d.j6_radius, 0.0)]
    housing += fillet_arc(d.j6_radius - d.j6_fillet, d.j6_front - d.j6_fillet, d.j6_fillet, 0, 90, k)
    emit(b, lathe(b, "J6 housing", ALONG_X, ORIGIN, housing, p["j6_n"], *p["j6_caps"]))
    face = -d.j5_y0 + 3.0
    cover(
        b,
        "J5 cover",
        AGAINST_Y,
        ORIGIN,
        0.75 * d.j5_radius,
        -d.j5_y0 - 1.0,
        face,
        p["cover_n"],
        p["cover_cap"],
    )
    if p["open_screws"]:
        count, s = p["open_screws"]
        screws(b, "J5 open screw", AGAINST_Y, ORIGIN, face, 0.55 * d.j5_radius, 2.5, count, s, closed=False)
    if p["closed_screws"]:
        count, s = p["closed_screws"]
        screws(b, "J5 closed screw", AGAINST_Y, ORIGIN, face, 0.28 * d.j5_radius, 2.0, count, s, closed=True)
    ra, rb = p["ring"]
    torus(b, "J5 cover ring", ALONG_Y, (0.0, d.j5_y0 - 0.5, 0.0), 0.75 * d.j5_radius + 2.5, 1.2, ra, rb)
    return b.build()


BOLT_PITCH_RADIUS = 25.0  # 50 mm pitch circle of a 4 x M6 tool flange


def build_flange(d, p):
    """One closed body: rotor ring, collar and disc; the mating face z = 0 with six blind holes."""
    b = MeshBuilder()
    face = b.group("mating face", cap=True)
    back, rot, col, disc = d.flange_back, d.rotor_radius, d.flange_collar_radius, d.disc_radius
    profile = fillet_arc(rot - 1.5, back + 1.5, 1.5, -90, 0, p["kb"])
    profile += [(rot, back + 3.0), (col, back + 3.0), (col, -6.0)]
    counts = [p["nc"]] * len(profile)
    profile += [(disc, -6.0)] + fillet_arc(disc - 1.0, -1.0, 1.0, 0, 90, p["ke"])
    counts += [p["no"]] * (len(profile) - len(counts))
    body = lathe(b, "flange", ALONG_Z, ORIGIN, profile, counts, FLAT, OPEN, end_groups=(None, face))

    holes = [("centring recess", (0.0, 0.0), 15.75, 5.0, p["nr"])]
    for i in range(4):
        t = math.radians(45.0 + 90.0 * i)
        holes.append(
            (
                f"bolt hole {i}",
                (BOLT_PITCH_RADIUS * math.cos(t), BOLT_PITCH_RADIUS * math.sin(t)),
                3.0,
                8.0,
                p["nb"],
            )
        )
    holes.append(("pin hole", (0.0, BOLT_PITCH_RADIUS), 3.0, 6.0, p["np"]))
    hole_shapes = []
    for name, (cx, cy), r, depth, n in holes:
        prof = [(r + 0.5, 0.0), (r, -0.5), (r, -depth)] if p["chamfer"] else [(r, 0.0), (r, -depth)]
        hole_shapes.append(
            lathe(b, name, ALONG_Z, (cx, cy, 0.0), prof, n, OPEN, FLAT, end_groups=(face, None))
        )

    outer = list(body.rings[-1])
    rims = [list(h.rings[0][::-1]) for h in hole_shapes]
    ids = outer + [v for rim in rims for v in rim]
    xy = b.positions(ids)[:, :2]
    pos = {v: (float(x), float(y)) for v, (x, y) in zip(ids, xy)}
    # the face first: its rim vertices open the first-use order
    b.emit(np.array(triangulate_with_holes(pos, outer, rims), dtype=np.int64))
    emit(b, body)
    for h in hole_shapes:
        emit(b, h)
    if p["bead"]:
        ba, bb = p["bead"]
        torus(b, "collar bead", ALONG_Z, (0.0, 0.0, 0.5 * (back - 3.0)), col, 1.0, ba, bb)
    return b.build()


BUILDERS = (build_base, build_turret, build_upper_arm, build_elbow, build_forearm, build_wrist, build_flange)
PLAN_KEYS = ("base", "turret", "upper_arm", "elbow", "forearm", "wrist", "flange")


def build_model(dims):
    """The seven meshes of a model, index 0 the base."""
    plans = PLANS[dims.name]
    return [build(dims, plans[key]) for build, key in zip(BUILDERS, PLAN_KEYS)]
