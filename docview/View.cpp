// Gives View's declared meta-object a home: the build generates it for headers
// that have a source file of the same name.
#include "docview/View.h"
