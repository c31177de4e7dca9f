// Base of the program's data classes: a virtual destructor and the archive hook.
#pragma once

namespace fw {

class CArchive;

class CObject {
public:
    virtual ~CObject() = default;
    virtual void Serialize(CArchive&) {}
};

}  // namespace fw
