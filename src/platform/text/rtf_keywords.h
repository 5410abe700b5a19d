#pragma once
// The control words the RTF reader acts on. Everything else is ignored, and
// an unknown word after \* drops its whole group.
#include <cstdint>
#include <string_view>

namespace platform::rtf {

enum class Kw : uint8_t {
    Unknown,
    // document
    Rtf, Ansi, Mac, Pc, Pca, AnsiCpg, Deff, Uc, U, Bin,
    // destinations we read
    FontTable, ColorTable, Pict, Upr, Ud, ShpPict, FldRslt,
    // destinations dropped whole
    SkipDest,
    // page headers and footers: shown only when the body has no text at all
    HeaderDest,
    // font table
    F, FCharset, Cpg, Red, Green, Blue,
    // character formatting
    Plain, B, I, Ul, UlNone, Strike, Fs, Cf, Cb, Highlight, Super, Sub, NoSuperSub, V,
    Loch, Hich, Dbch,
    // paragraph formatting
    Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, Sl, SlMult,
    // breaks and special characters
    Par, Line, Tab, Page, Sect,
    EmDash, EnDash, Bullet, LQuote, RQuote, LDblQuote, RDblQuote, EmSpace, EnSpace, QmSpace,
    // tables: rows, cells, nesting
    TRowD, CellX, InTbl, Itap, Cell, NestCell, Row, NestRow, NestTableProps,
    TrLeft, TrGaph, TrQl, TrQc, TrQr, TrPaddL, TrPaddR, TrPaddT, TrPaddB,
    ClMgf, ClMrg, ClVmgf, ClVmrg, ClVertAlT, ClVertAlC, ClVertAlB, ClCbPat,
    // borders: which edge the following \brdr words describe, then the line
    ClBrdrT, ClBrdrL, ClBrdrB, ClBrdrR, TrBrdrT, TrBrdrL, TrBrdrB, TrBrdrR, TrBrdrH, TrBrdrV, OtherBorder,
    BrdrSingle, BrdrDouble, BrdrDotted, BrdrDashed, BrdrNone, BrdrW, BrdrCf,
    // pictures
    PngBlip, JpegBlip, OtherPicture, PicW, PicH, PicWGoal, PicHGoal, PicScaleX, PicScaleY,
};

Kw lookupKeyword(std::string_view word);

} // namespace platform::rtf
