// Which keys carry a label when keys change other than by an edit.
#pragma once

#include "model/KeyTable.h"

namespace q4t {

// A key hidden by a merge carries no label.
void dropHiddenLabels(KeyTable& table);

// Gives the uploaded table the labels of the table it replaces, each only on
// a key whose value and shape (its size and the positions it covers) the
// keyboard left as they were; every other key is left without a label.
void keepLabelsOfUnchangedKeys(const KeyTable& before, KeyTable& uploaded);

}  // namespace q4t
