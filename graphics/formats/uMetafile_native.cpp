// Without a platform to play them, metafiles cannot be read natively.
#include "uMetafile.h"

#include "uSysUtils.h"

struct TMetafile::Impl {};

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;
int32_t TMetafile::Width() const { return 0; }
int32_t TMetafile::Height() const { return 0; }

void TMetafile::ReadStream(TStream&) { throw EInvalidGraphic("Metafile is not valid"); }

void TMetafile::Draw(TCanvas&, const TRect&) const {}
