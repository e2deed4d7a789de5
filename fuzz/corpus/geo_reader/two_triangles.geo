PGEOMETRY V5
NPoints 4 NPrims 2
NPointGroups 1 NPrimGroups 1
NPointAttrib 1 NVertexAttrib 1 NPrimAttrib 1 NAttrib 1
PointAttrib
Cd 3 float 1 1 1
VertexAttrib
uv 3 float 0 0 0
PrimitiveAttrib
name 1 index 2 "left" "right" 0
DetailAttrib
varmap 1 int 0
0 0 0 1 (1 0 0)
1 0 0 1 (0 1 0)
1 1 0 1 (0 0 1)
0 1 0 1 (1 1 0)
Poly 3 < 0 (0 0 0) 1 (1 0 0) 2 (1 1 0) [0]
Poly 3 < 0 (0 0 0) 2 (1 1 0) 3 (0 1 0) [1]
(0)
corner unordered 4 1010
first unordered 2 10
beginExtra
endExtra
