#pragma once
// Form files in the host's binary form format: TWriter writes a component, its published
// properties and the components it owns; TReader reads them back into live components. Both
// work from the property registry, so a class declares its published properties once.
//
// The format: the signature "TPF0", then one component: an optional prefix byte (0xF0 | flags,
// followed by an integer child position when ffChildPos is set), the class name and the
// component name as short strings, its properties (a short-string name, dotted for a nested
// object, then a tagged value) up to a list end, its owned components up to a list end.
//
// Form files are untrusted: every read is checked against the bytes left, nesting is limited
// to MaxFormNesting and the objects one read creates to MaxFormObjects, and any fault raises
// EReadError naming what was wrong and where. A failed read frees what it created and puts
// back the collection items it replaced.
//
// This header includes the whole filer, which is split by concern:
//   ValueTags.h/.cpp       the value tags, prefix flags, signature and limits of the format, and
//                          the tag a string or an integer is written with
//   FilerBase.h/.cpp       TFiler, the registry and the defined-property interface both share
//   FormWriter.h/.cpp      TWriter and WriteForm
//   FormReader.h           TReader, THandlerTable, ReadForm and IsTextForm
//   FormReader.cpp         errors and their positions, primitive values, skipping a value
//   FormReaderObjects.cpp  collections, properties and events, components, references by name,
//                          the root component with its rollback
//   FormText.cpp           ReadForm and IsTextForm, beside the text form they convert first
#include "host/streaming/FilerBase.h"
#include "host/streaming/FormReader.h"
#include "host/streaming/FormWriter.h"
#include "host/streaming/ValueTags.h"
