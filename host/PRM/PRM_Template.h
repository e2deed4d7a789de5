#pragma once
#include "PRM_Callback.h"
#include "PRM_ChoiceList.h"
#include "PRM_Default.h"
#include "PRM_Name.h"
#include "PRM_Range.h"
#include "PRM_Type.h"

/// Host data that this kit accepts and ignores.
class PRM_SpareData;
class PRM_ConditionalBase;

/// The description of one parameter: its kind, number of components,
/// name, defaults, menu, range and callback. A template list is an array
/// ending with the terminator PRM_Template(). Templates store pointers
/// only: every record they are given must outlive them (static records,
/// normally); none is read while the template is being built, so static
/// template arrays may refer to records of other libraries.
class PRM_Template {
public:
    /// The terminator of a template list.
    constexpr PRM_Template() = default;

    /// A single parameter of type with vectorsize components. defaults, when
    /// given, must point to at least vectorsize records (component i takes
    /// defaults[i]); for one component a single record is enough.
    constexpr PRM_Template(PRM_Type type, int vectorsize, PRM_Name *name, PRM_Default *defaults = 0,
                           PRM_ChoiceList *choicelist = 0, PRM_Range *range = 0, PRM_Callback callback = 0,
                           PRM_SpareData *spare = 0, int parmgroup = 1, const char *helptext = 0,
                           PRM_ConditionalBase *cond = 0)
        : myType(type), myVectorSize(vectorsize), myName(name), myDefaults(defaults), myChoiceList(choicelist),
          myRange(range), myCallback(callback), mySpare(spare), myParmGroup(parmgroup), myHelpText(helptext),
          myConditional(cond) {}

    /// A multi-parameter list: each instance holds one parameter per
    /// template of templates (a terminated list whose names carry "#" for
    /// the instance number). The default instance count is defaults[0] when
    /// defaults is given, else floatsetting.
    constexpr PRM_Template(PRM_MultiType multitype, PRM_Template *templates, float floatsetting, PRM_Name *name,
                           PRM_Default *defaults = 0, PRM_Range *range = 0, PRM_SpareData *spare = 0,
                           const char *helptext = 0)
        : myType(PRM_MULTI), myVectorSize(1), myName(name), myDefaults(defaults), myRange(range), mySpare(spare),
          myHelpText(helptext), myMultiType(multitype), myMultiTemplates(templates), myFloatSetting(floatsetting) {}

    PRM_Type getType() const { return myType; }
    bool isTerminator() const { return myType == PRM_LIST_TERMINATOR; }
    bool isMulti() const { return myType == PRM_MULTI; }
    int getVectorSize() const { return myVectorSize; }
    const PRM_Name *getNamePtr() const { return myName; }
    /// The token of the name, "" when there is no name.
    const char *getToken() const { return myName ? myName->getToken() : ""; }
    const char *getLabel() const { return myName ? myName->getLabel() : ""; }

    /// The default record of component vi, or null when the template has no
    /// defaults or vi is not a component.
    const PRM_Default *getDefault(int vi) const;
    /// Component vi's default number (0 when there is no default).
    float getDefaultFloat(int vi) const;
    /// Component vi's default text ("" when there is none).
    const char *getDefaultString(int vi) const;

    const PRM_ChoiceList *getChoiceListPtr() const { return myChoiceList; }
    const PRM_Range *getRangePtr() const { return myRange; }
    PRM_Callback getCallback() const { return myCallback; }
    PRM_SpareData *getSparePtr() const { return mySpare; }
    int getParmGroup() const { return myParmGroup; }
    const char *getHelpText() const { return myHelpText; }
    PRM_ConditionalBase *getConditionalPtr() const { return myConditional; }

    // Multi-parameter lists.
    PRM_MultiType getMultiType() const { return myMultiType; }
    /// The instance templates of a multi list (null for other kinds).
    const PRM_Template *getMultiParmTemplate() const { return myMultiTemplates; }
    float getFloatSetting() const { return myFloatSetting; }
    /// The number of instances a new multi list holds (never negative).
    int getMultiDefaultCount() const;

    /// Number of templates of a list before its terminator (0 for null).
    static int countTemplates(const PRM_Template *list);

private:
    PRM_Type myType = PRM_LIST_TERMINATOR;
    int myVectorSize = 0;
    PRM_Name *myName = nullptr;
    PRM_Default *myDefaults = nullptr;
    PRM_ChoiceList *myChoiceList = nullptr;
    PRM_Range *myRange = nullptr;
    PRM_Callback myCallback = nullptr;
    PRM_SpareData *mySpare = nullptr;
    int myParmGroup = 1;
    const char *myHelpText = nullptr;
    PRM_ConditionalBase *myConditional = nullptr;
    PRM_MultiType myMultiType = PRM_MULTITYPE_LIST;
    PRM_Template *myMultiTemplates = nullptr;
    float myFloatSetting = 0;
};
