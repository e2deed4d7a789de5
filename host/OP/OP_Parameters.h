#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>
#include "OP_Error.h"
#include "OP_Message.h"
#include "PRM/PRM_Parm.h"
#include "PRM/PRM_Template.h"
#include "UT/UT_String.h"

/// The parameters and the message list of a node.
///
/// Built from a template list: one parameter per template before the
/// terminator, in order (index pi of the index-based calls is the place in
/// that list). A multi-parameter list holds instances numbered from 1 whose
/// parameters are found by full name ("pin2") or, in the Inst calls, by the
/// template name with "#" ("pin#") and the instance numbers. The value of a
/// list is its instance count; setting it adds instances at their defaults
/// or removes the last ones.
///
/// Evaluating a name, index or component that does not exist gives 0 or ""
/// and does nothing else. Integer evaluation rounds to the nearest whole
/// number; menu (PRM_ORD) values are item indices; evalString of a numeric
/// parameter gives its number as text (a menu's item token).
///
/// Messages: addError records ABORT, addWarning WARNING, addMessage
/// MESSAGE; error() is the worst severity recorded since clearErrors().
class OP_Parameters {
public:
    /// templates may be null (no parameters); it must outlive the object.
    explicit OP_Parameters(const PRM_Template *templates);
    virtual ~OP_Parameters();
    OP_Parameters(const OP_Parameters &) = delete;
    OP_Parameters &operator=(const OP_Parameters &) = delete;

    // Evaluation at time t, component vi.
    int evalInt(const char *name, int vi, float t) const;
    int evalInt(int pi, int vi, float t) const;
    float evalFloat(const char *name, int vi, float t) const;
    float evalFloat(int pi, int vi, float t) const;
    void evalString(UT_String &val, const char *name, int vi, float t) const;
    void evalString(UT_String &val, int pi, int vi, float t) const;

    // Instance forms: name is a template name with "#" marks, inst points to
    // nestlevel instance numbers (from 1), outermost first.
    int evalIntInst(const char *name, const int *inst, int vi, float t, int nestlevel = 1) const;
    float evalFloatInst(const char *name, const int *inst, int vi, float t, int nestlevel = 1) const;
    void evalStringInst(UT_String &val, const char *name, const int *inst, int vi, float t, int nestlevel = 1) const;
    /// Sets component vi of an instance parameter at time t (the key at t
    /// when it is animated), clamped to its restricted range. Unknown names
    /// are ignored.
    void setFloatInst(float value, const char *name, const int *inst, int vi, float t, int nestlevel = 1);
    void setIntInst(int value, const char *name, const int *inst, int vi, float t, int nestlevel = 1);

    /// Enables (state != 0) or greys out parameter name; v is the component
    /// (-1 for all; the state is kept per parameter). Returns 1 when the
    /// state changed, else 0 (also for an unknown name).
    int enableParm(const char *name, int state, int v = -1);
    int enableParmInst(const char *name, const int *inst, int state, int nestlevel = 1, int v = -1);
    /// Whether the parameter of this full name exists and is enabled.
    bool isParmEnabled(const char *name) const;

    // Setters for the command-line host and tests. Each returns whether the
    // value was stored: false for an unknown name or component, or a value
    // of the wrong kind (text for a number or the reverse). Numbers are
    // clamped to restricted range ends (and menu values to the items);
    // *clamped, when given, tells whether that changed the value. Setting a
    // multi list's count resizes it. A set value replaces any animation.
    bool setInt(const char *name, int vi, int v, bool *clamped = nullptr);
    bool setFloat(const char *name, int vi, float v, bool *clamped = nullptr);
    bool setString(const char *name, int vi, const char *v);
    /// Animates a numeric component with (time, value) keys, each value
    /// clamped like a set value. Not for multi lists. Empty keys are refused.
    bool setKeys(const char *name, int vi, std::vector<std::pair<float, float>> keys, bool *clamped = nullptr);
    /// Presses button name: calls its callback with data = this node (the
    /// most-derived object), its instance number (0 at top level), time and
    /// its template. False when name is no button with a callback.
    bool pressButton(const char *name, float time);

    /// The parameter of this full name ("seams", "pinuv2"), or null.
    PRM_Parm *findParm(const char *name);
    const PRM_Parm *findParm(const char *name) const;
    /// The top-level parameter at index pi, or null.
    const PRM_Parm *getParm(int pi) const;
    int getNumParms() const { return static_cast<int>(myParms.size()); }
    /// Every parameter in order: each top-level one followed, for a list,
    /// by its instances' parameters instance by instance.
    std::vector<const PRM_Parm *> allParms() const;
    const PRM_Template *getParmTemplates() const { return myTemplates; }

    // Messages.
    void addError(int code, const char *text = 0);
    void addWarning(int code, const char *text = 0);
    void addMessage(int code, const char *text = 0);
    /// Records a message of any severity.
    void addSeverity(OP_ERROR severity, int code, const char *text);
    void clearErrors();
    const std::vector<OP_Message> &messages() const { return myMessages; }
    /// The worst severity recorded since the messages were last cleared.
    OP_ERROR error() const { return myWorst; }

private:
    const PRM_Parm *lookup(const char *name, const int *inst, int nestlevel) const;
    PRM_Parm *lookup(const char *name, const int *inst, int nestlevel);
    /// Stores a number, clamped; false when parm cannot hold it.
    bool storeNumber(PRM_Parm *parm, int vi, float v, float t, bool at_time, bool *clamped);
    void rebuildIndex();

    const PRM_Template *myTemplates;
    std::vector<std::unique_ptr<PRM_Parm>> myParms;
    std::unordered_map<std::string, PRM_Parm *> myIndex;  // full name -> parameter
    std::vector<OP_Message> myMessages;
    OP_ERROR myWorst = UT_ERROR_NONE;
};
