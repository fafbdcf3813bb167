#include "number_text.hpp"

#include <fast_float/fast_float.h>

namespace pipeline {

double NumberText::value() const
{
    double v = 0;
    if (length_ == 0)
        std::memcpy(&v, bytes_, sizeof v);
    else
        fast_float::from_chars(bytes_, bytes_ + length_, v); // correctly rounded, as strtod
    return v;
}

} // namespace pipeline
