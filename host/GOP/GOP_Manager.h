#pragma once
#include <string>
#include <vector>
#include "GB/GB_EdgeGroup.h"
#include "GB/GB_Group.h"

class GEO_Detail;

/// Makes and tracks ad-hoc groups: internal groups of a detail's group
/// lists that live only while a node works and are destroyed through the
/// manager, per detail or all at once.
///
/// The manager never outlives its knowledge of a detail safely: before a
/// detail that holds ad-hoc groups of this manager is deleted (or cleared),
/// the caller must call destroyAdhocGroups(that detail). The destructor
/// only forgets its records; it does not touch any detail, since the
/// details may be gone by then.
///
/// Patterns (parse*): tokens separated by white space, read left to right.
/// For points and primitives: a number n, a range a-b (inclusive, either
/// direction), a stepped range a-b:s (s > 0, from a towards b), a group name
/// with the wildcards * ? [abc] ([a-c] ranges too), or * alone for every
/// element. ^token removes what the token names from what came before;
/// !token stands for everything the token does not name (^!token is
/// allowed). For edges: pA-B (the edge from point A to B), pA-B-C... (its
/// chain of edges), n (every edge of primitive n), a-b (every edge of those
/// primitives), nem (edge m of primitive n: vertex m to m+1, the last one
/// closing to 0), edge-group names with wildcards, * for every edge.
///
/// Results: null when a plain (wildcard-free) name names no group, or a
/// token is malformed; numbers, ranges and point pairs that name no element
/// (or no edge of any primitive) are ignored; a wildcard that matches no
/// group matches nothing; a valid pattern that matches nothing gives an
/// empty group. Every non-null result is a new ad-hoc group of this manager
/// (never a detail's named group itself), named after the pattern.
class GOP_Manager {
public:
    GOP_Manager();
    ~GOP_Manager();
    GOP_Manager(const GOP_Manager &) = delete;
    GOP_Manager &operator=(const GOP_Manager &) = delete;

    /// A new empty ad-hoc group of gdp; name may be null (a name is made).
    GB_PrimitiveGroup *createPrimitiveGroup(GEO_Detail &gdp, const char *name = 0);
    GB_PointGroup *createPointGroup(GEO_Detail &gdp, const char *name = 0);
    GB_EdgeGroup *createEdgeGroup(GEO_Detail &gdp, const char *name = 0);

    /// Destroys one ad-hoc group of this manager; a group the manager did
    /// not make (a named group, say) is left alone. Its detail must exist.
    void destroyAdhocGroup(const GB_Group *g);
    void destroyAdhocGroup(const GB_EdgeGroup *g);
    /// Destroys every ad-hoc group of this manager; every detail they are
    /// on must still exist.
    void destroyAdhocGroups();
    /// Destroys the ad-hoc groups of this manager on gdp only.
    void destroyAdhocGroups(const GEO_Detail *gdp);
    /// Number of ad-hoc groups alive (all details, or only gdp).
    int adhocGroupCount() const { return static_cast<int>(myRecords.size()); }
    int adhocGroupCount(const GEO_Detail *gdp) const;

    /// The primitives the pattern names (see the class notes), as an ad-hoc
    /// group of gdp, or null. allow_numeric = 0 makes number and range
    /// tokens malformed. ordered and strict are accepted for the host's
    /// signature and change nothing here (groups keep element order, and
    /// the null rules above always hold). offset is added to every number of
    /// the pattern before it is looked up.
    const GB_PrimitiveGroup *parsePrimitiveGroups(const char *pattern, GEO_Detail *gdp, int allow_numeric = 1,
                                                  int ordered = 1, bool strict = false, int offset = 0);
    /// As parsePrimitiveGroups, for points and point groups.
    const GB_PointGroup *parsePointGroups(const char *pattern, GEO_Detail *gdp, int allow_numeric = 1, int ordered = 1,
                                          bool strict = false, int offset = 0);
    /// The edges the pattern names, in the order the pattern names them
    /// (each edge once, first direction kept), each with a primitive that
    /// adjoins it; an ad-hoc edge group of gdp, or null. prim_offset and
    /// pt_offset are added to the pattern's primitive and point numbers.
    /// strict changes nothing here.
    GB_EdgeGroup *parseEdgeGroups(const char *pattern, GEO_Detail *gdp, bool strict = true, int prim_offset = 0,
                                  int pt_offset = 0);

private:
    enum Kind { POINT, PRIMITIVE, EDGE };
    struct Record {
        GEO_Detail *detail;
        Kind kind;
        const void *group;
    };
    void destroyRecord(const Record &r);
    std::string makeName(const char *name);

    std::vector<Record> myRecords;
    int myNameCounter = 0;
};
