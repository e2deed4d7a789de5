// What the host sees of the library: its version, its build tag and the
// one operator type it registers.
#include "SOP_AutoSeams.h"
#include <OP/OP_Operator.h>
#include <OP/OP_OperatorTable.h>

#ifndef AUTOSEAMS_BUILD_TAG
#error "the build must define AUTOSEAMS_BUILD_TAG"
#endif

extern "C" {

/// Registers the "autoseams" operator type. The host calls this once, when
/// it loads the library.
__attribute__((visibility("default"))) void newSopOperator(OP_OperatorTable *table) {
    table->addOperator(new OP_Operator("autoseams", "Auto Seams", SOP_AutoSeams::myConstructor,
                                       SOP_AutoSeams::myTemplateList, 1, 1, 0, 0, 0));
}

/// The host version this library is built for.
__attribute__((visibility("default"))) void HoudiniDSOVersion(const char **v) {
    static const char version[] = "9.0";
    *v = version;
}

/// The build tag made by the build from its inputs.
__attribute__((visibility("default"))) void HoudiniGetTagInfo(const char **v) {
    static const char tag[] = AUTOSEAMS_BUILD_TAG;
    *v = tag;
}

}  // extern "C"
