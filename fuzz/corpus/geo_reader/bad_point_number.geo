PGEOMETRY V5
NPoints 1 NPrims 1
NPointGroups 0 NPrimGroups 0
NPointAttrib 0 NVertexAttrib 0 NPrimAttrib 0 NAttrib 0
0 0 0 1
Poly 3 < 0 0 7
beginExtra
endExtra
