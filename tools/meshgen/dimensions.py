"""Link dimensions and housing sizes of the two meshed models, in millimetres.

The kinematic lengths (z1, x1, x2, y1) are the robots' own; everything else is our
estimate from them and from typical cobot proportions.
"""

from dataclasses import dataclass


@dataclass(frozen=True)
class CrxDimensions:
    name: str
    # kinematics
    z1: float
    x1: float
    x2: float
    y1: float
    # base
    floor_depth: float  # J2 axis height above the mounting face; the floor is z = -floor_depth
    foot_radius: float
    foot_thickness: float
    base_radius: float
    base_top: float
    base_fillet: float
    bolt_circle: float
    washer_major: float
    washer_minor: float
    connector_y: float
    connector_z: float
    connector_major: float
    connector_minor: float
    # J1 column and J2 drum
    column_radius: float
    column_top: float
    column_fillet: float
    neck_radius: float
    j2_radius: float
    j2_half_width: float
    j2_fillet: float
    j2_cover_radius: float
    # upper arm
    arm_cap_radius: float
    arm_cap_y0: float
    arm_cap_y1: float
    arm_cap_fillet: float
    arm_tube_radius: float
    arm_tube_y: float
    # J3 drum and J4 collar
    j3_radius: float
    j3_half_width: float
    j3_fillet: float
    collar_radius: float
    collar_front: float
    collar_fillet: float
    # forearm and J5 knuckle
    forearm_radius: float
    forearm_start: float
    knuckle_radius: float
    knuckle_y0: float
    knuckle_y1: float
    knuckle_fillet: float
    # J5 drum and J6 housing
    j5_radius: float
    j5_y0: float
    j5_y1: float
    j5_fillet: float
    j6_radius: float
    j6_front: float
    j6_fillet: float
    # flange
    rotor_radius: float
    flange_collar_radius: float
    disc_radius: float
    flange_back: float


CRX5IA = CrxDimensions(
    name="crx5ia",
    z1=410.0,
    x1=430.0,
    x2=145.0,
    y1=130.0,
    floor_depth=195.0,
    foot_radius=100.0,
    foot_thickness=10.0,
    base_radius=80.0,
    base_top=-125.0,
    base_fillet=7.0,
    bolt_circle=90.0,
    washer_major=6.0,
    washer_minor=1.6,
    connector_y=24.0,
    connector_z=-160.0,
    connector_major=10.0,
    connector_minor=2.5,
    column_radius=68.0,
    column_top=-72.0,
    column_fillet=8.0,
    neck_radius=47.0,
    j2_radius=72.0,
    j2_half_width=50.0,
    j2_fillet=5.0,
    j2_cover_radius=50.0,
    arm_cap_radius=60.0,
    arm_cap_y0=54.0,
    arm_cap_y1=152.0,
    arm_cap_fillet=7.0,
    arm_tube_radius=44.0,
    arm_tube_y=103.0,
    j3_radius=64.0,
    j3_half_width=50.0,
    j3_fillet=5.0,
    collar_radius=47.0,
    collar_front=85.0,
    collar_fillet=7.0,
    forearm_radius=42.0,
    forearm_start=87.0,
    knuckle_radius=54.0,
    knuckle_y0=-80.0,
    knuckle_y1=48.0,
    knuckle_fillet=5.0,
    j5_radius=54.0,
    j5_y0=-50.0,
    j5_y1=46.0,
    j5_fillet=5.0,
    j6_radius=43.0,
    j6_front=134.0,
    j6_fillet=5.0,
    rotor_radius=40.0,
    flange_collar_radius=37.0,
    disc_radius=31.5,
    flange_back=-10.5,
)

CRX10IA = CrxDimensions(
    name="crx10ia",
    z1=540.0,
    x1=540.0,
    x2=160.0,
    y1=150.0,
    floor_depth=245.0,
    foot_radius=120.0,
    foot_thickness=12.0,
    base_radius=95.0,
    base_top=-152.0,
    base_fillet=8.0,
    bolt_circle=108.0,
    washer_major=7.0,
    washer_minor=2.0,
    connector_y=28.0,
    connector_z=-200.0,
    connector_major=12.0,
    connector_minor=3.0,
    column_radius=80.0,
    column_top=-85.0,
    column_fillet=10.0,
    neck_radius=55.0,
    j2_radius=85.0,
    j2_half_width=58.0,
    j2_fillet=6.0,
    j2_cover_radius=60.0,
    arm_cap_radius=70.0,
    arm_cap_y0=62.0,
    arm_cap_y1=176.0,
    arm_cap_fillet=8.0,
    arm_tube_radius=52.0,
    arm_tube_y=119.0,
    j3_radius=75.0,
    j3_half_width=58.0,
    j3_fillet=6.0,
    collar_radius=56.0,
    collar_front=100.0,
    collar_fillet=8.0,
    forearm_radius=50.0,
    forearm_start=102.0,
    knuckle_radius=62.0,
    knuckle_y0=-92.0,
    knuckle_y1=56.0,
    knuckle_fillet=6.0,
    j5_radius=62.0,
    j5_y0=-58.0,
    j5_y1=54.0,
    j5_fillet=6.0,
    j6_radius=50.0,
    j6_front=148.0,
    j6_fillet=6.0,
    rotor_radius=46.0,
    flange_collar_radius=40.0,
    disc_radius=31.5,
    flange_back=-11.5,
)

MODELS = (CRX5IA, CRX10IA)
