#pragma once

// The ITK headers the import layer uses, in one place. Debian's ITK 5.2 headers reject
// every compiler but GCC 4.8 or later; clang, which the fuzz targets need, builds them as
// GCC would once it announces itself as a recent GCC for their duration. The standard
// headers come first so that they see the compiler as it is.
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <complex>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <iostream>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#if defined(__clang__)
#define DICHTENSCHAU_ITK_AS_GCC
#pragma push_macro("__clang__")
#pragma push_macro("__GNUC__")
#pragma push_macro("__GNUC_MINOR__")
#undef __clang__
#undef __GNUC__
#undef __GNUC_MINOR__
#define __GNUC__ 12
#define __GNUC_MINOR__ 2
#endif
#include <itkGDCMImageIO.h>
#include <itkImageIOBase.h>
#include <itkMetaImageIO.h>
#include <itkNiftiImageIO.h>
#include <itkNrrdImageIO.h>
#include <itkObject.h>
#if defined(DICHTENSCHAU_ITK_AS_GCC)
#pragma pop_macro("__GNUC_MINOR__")
#pragma pop_macro("__GNUC__")
#pragma pop_macro("__clang__")
#undef DICHTENSCHAU_ITK_AS_GCC
#endif
