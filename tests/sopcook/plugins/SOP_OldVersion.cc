// A module built for another host version: the loader must refuse it
// without calling newSopOperator.
#include <OP/OP_OperatorTable.h>
#include <cstdlib>

extern "C" {
void newSopOperator(OP_OperatorTable *) { std::abort(); }
void HoudiniDSOVersion(const char **v) { *v = "8.5"; }
void HoudiniGetTagInfo(const char **v) { *v = "old"; }
}
