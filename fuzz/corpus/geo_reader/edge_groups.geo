PGEOMETRY V5
NPoints 4 NPrims 2
NPointGroups 0 NPrimGroups 1 NEdgeGroups 2
NPointAttrib 0 NVertexAttrib 0 NPrimAttrib 0 NAttrib 0
0 0 0 1
1 0 0 1
1 1 0 1
0 1 0 1
Poly 3 < 0 1 2
Poly 3 < 0 2 3
first unordered
2 10
seams ordered
3 0-2:1 2-3 1-3
lines unordered
1 3-0:0
beginExtra
endExtra
