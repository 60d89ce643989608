// The table of directory walks: which walk lists which archive kind. A new
// walk adds its rows here and includes its header; nothing else changes.
// Beside it, the table of extracting readers: which reader extracts which kind.
#include "archive/ace/arxDirAce.h"
#include "archive/arc/arxDirArc.h"
#include "archive/arj/arxDirArj.h"
#include "archive/arxArxon.h"
#include "archive/cab/arxDirCab.h"
#include "archive/gzip/arxDirGzip.h"
#include "archive/lha/arxDirLha.h"
#include "archive/listonly/arxDirBh.h"
#include "archive/listonly/arxDirHa.h"
#include "archive/listonly/arxDirUue.h"
#include "archive/rar/arxDirRar.h"
#include "archive/tar/arxDirTar.h"
#include "archive/zip/arxDirZip.h"
#include "archive/zoo/arxDirZoo.h"

#include <array>
#include <utility>

namespace sorvane {

namespace {

struct WalkRow {
    TArcType Type;
    TArxonWalkFactory Make;
};

const WalkRow kWalkRows[] = {
    {atZip, &MakeWalk<TZipWalk>},      {atZipExe, &MakeWalk<TZipWalk>},
    {atJar, &MakeWalk<TZipWalk>},      {atJarExe, &MakeWalk<TZipWalk>},
    {atZipDS, &MakeWalk<TZipWalk>},    {atZipMV, &MakeWalk<TZipWalk>},
    {atArj, &MakeWalk<TArjWalk>},      {atArjExe, &MakeWalk<TArjWalk>},
    {atArc, &MakeWalk<TArcWalk>},      {atArcExe, &MakeWalk<TArcWalk>},
    {atPak, &MakeWalk<TPakWalk>},      {atPakExe, &MakeWalk<TPakWalk>},
    {atAce, &MakeWalk<TAceWalk>},      {atAceExe, &MakeWalk<TAceWalk>},
    {atBh, &MakeWalk<TBhWalk>},        {atBhExe, &MakeWalk<TBhWalk>},
    {atTar, &MakeWalk<TTarWalk>},      {atGZip, &MakeWalk<TGzipWalk>},
    {atTarGZip, &MakeWalk<TGzipWalk>}, {atMsGZ, &MakeWalk<TMsGzWalk>},
    {atLha, &MakeWalk<TLhaWalk>},      {atLhaExe, &MakeWalk<TLhaWalk>},
    {atLzh, &MakeWalk<TLhaWalk>},      {atLzhExe, &MakeWalk<TLhaWalk>},
    {atCab, &MakeWalk<TCabWalk>},      {atCabExe, &MakeWalk<TCabWalk>},
    {atUUE, &MakeWalk<TUueWalk>},      {atRar, &MakeWalk<TRarWalk>},
    {atRarExe, &MakeWalk<TRarWalk>},   {atZoo, &MakeWalk<TZooWalk>},
    {atHA, &MakeWalk<THaWalk>},
    // Further walks: one row per kind below.
};

} // namespace

std::unique_ptr<TArxonWalk> CreateArxonWalk(TArcType type) {
    for (const WalkRow& row : kWalkRows) {
        if (row.Type == type) return row.Make();
    }
    return nullptr;
}

TUnBase* ReaderForKind(const TArxonReaders& readers, TArcType type) {
    switch (type) {
    case atZip:
    case atZipExe:
    case atZipMV:
    case atZipDS:
        return readers.Zip;
    case atJar:
    case atJarExe:
        return readers.Jar;
    case atArj:
    case atArjExe:
        return readers.Arj;
    case atZoo:
        return readers.Zoo;
    case atLha:
    case atLhaExe:
    case atLzh:
    case atLzhExe:
        return readers.Lha;
    case atTar:
        return readers.Tar;
    case atGZip:
        return readers.GZip;
    case atAce:
    case atAceExe:
        return readers.Ace;
    case atRar:
    case atRarExe:
        return readers.Rar;
    case atArc:
    case atArcExe:
    case atPak:
    case atPakExe:
        return readers.Arc;
    case atCab:
    case atCabExe:
        return readers.Cab;
    default:
        return nullptr;
    }
}

} // namespace sorvane
