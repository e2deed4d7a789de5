# Blender's angle-based unwrap of one OBJ, as the peer of abf_bench:
#   blender -b --factory-startup --python bench/blender_unwrap.py -- in.obj out.obj
# Imports in.obj, unwraps every face with method ANGLE_BASED and margin 0,
# exports out.obj with its UVs and prints "unwrap_seconds <s>", the time of
# the unwrap operator alone: the median of up to 21 calls on the same
# selection, as many as fit in two seconds (a single call on the largest
# meshes), since one call of a few milliseconds varies by a third.
import sys
import time

import bpy

src, dst = sys.argv[sys.argv.index("--") + 1:][:2]
bpy.ops.object.select_all(action="SELECT")
bpy.ops.object.delete()
bpy.ops.wm.obj_import(filepath=src)
obj = bpy.context.selected_objects[0]
bpy.context.view_layer.objects.active = obj
bpy.ops.object.mode_set(mode="EDIT")
bpy.ops.mesh.select_all(action="SELECT")
calls = []
while len(calls) < 21 and sum(calls) < 2.0:
    start = time.perf_counter()
    bpy.ops.uv.unwrap(method="ANGLE_BASED", margin=0)
    calls.append(time.perf_counter() - start)
seconds = sorted(calls)[len(calls) // 2]
bpy.ops.object.mode_set(mode="OBJECT")
bpy.ops.wm.obj_export(filepath=dst, export_selected_objects=True, export_uv=True, export_normals=False,
                      export_materials=False, apply_modifiers=False, forward_axis="Y", up_axis="Z")
print("unwrap_seconds %.6f" % seconds)
