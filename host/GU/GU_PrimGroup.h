#pragma once

class GU_Detail;
class GB_PrimitiveGroup;

/// Makes named (not ad-hoc) primitive groups on a detail.
class GU_PrimGroup {
public:
    /// gdp must outlive this object.
    explicit GU_PrimGroup(GU_Detail *gdp);

    /// The primitive group named name: an existing named group is returned
    /// as it is (members kept); else a new empty one is made. Null when gdp
    /// is null or name is not a legal group name (a letter or "_" followed
    /// by letters, digits or "_").
    GB_PrimitiveGroup *newGroup(const char *name);

    /// Whether name is a legal group name.
    static bool isValidName(const char *name);

private:
    GU_Detail *myDetail;
};
