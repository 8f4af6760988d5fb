// Root of the objects that can be assigned to one another (bitmaps, pictures, picture holders).
#pragma once

class TPersistent {
public:
    virtual ~TPersistent() = default;
    virtual const char* ClassName() const = 0;
};
