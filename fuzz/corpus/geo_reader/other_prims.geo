PGEOMETRY V5
NPoints 2 NPrims 2
NPointGroups 0 NPrimGroups 0
NPointAttrib 0 NVertexAttrib 0 NPrimAttrib 1 NAttrib 0
PrimitiveAttrib
w 1 float 0
0 0 0 1
1 0 0 1
Sphere 0 1 0 0 0 1 0 0 0 1 [2]
NURBCurve 2 3 : 0 1
1 0 0 1 1 [3]
beginExtra
endExtra
