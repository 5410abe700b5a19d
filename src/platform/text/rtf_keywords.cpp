#include "platform/text/rtf_keywords.h"

#include <initializer_list>
#include <unordered_map>

namespace platform::rtf {

namespace {

using Words = std::unordered_map<std::string_view, Kw>;

// The words with a meaning of their own.
Words namedWords()
{
    return Words{
        {"rtf", Kw::Rtf}, {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc}, {"pca", Kw::Pca},
        {"ansicpg", Kw::AnsiCpg}, {"deff", Kw::Deff}, {"uc", Kw::Uc}, {"u", Kw::U}, {"bin", Kw::Bin},

        {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColorTable}, {"pict", Kw::Pict}, {"upr", Kw::Upr},
        {"ud", Kw::Ud}, {"shppict", Kw::ShpPict}, {"fldrslt", Kw::FldRslt},

        {"f", Kw::F}, {"fcharset", Kw::FCharset}, {"cpg", Kw::Cpg},
        {"red", Kw::Red}, {"green", Kw::Green}, {"blue", Kw::Blue},

        {"plain", Kw::Plain}, {"b", Kw::B}, {"i", Kw::I}, {"ulnone", Kw::UlNone},
        {"strike", Kw::Strike}, {"striked", Kw::Strike}, {"fs", Kw::Fs}, {"cf", Kw::Cf},
        {"cb", Kw::Cb}, {"chcbpat", Kw::Cb}, {"highlight", Kw::Highlight},
        {"super", Kw::Super}, {"sub", Kw::Sub}, {"nosupersub", Kw::NoSuperSub}, {"v", Kw::V},
        {"loch", Kw::Loch}, {"hich", Kw::Hich}, {"dbch", Kw::Dbch},

        {"pard", Kw::Pard}, {"ql", Kw::Ql}, {"qc", Kw::Qc}, {"qr", Kw::Qr}, {"qj", Kw::Qj},
        {"qd", Kw::Qj}, {"li", Kw::Li}, {"lin", Kw::Li}, {"ri", Kw::Ri}, {"rin", Kw::Ri},
        {"fi", Kw::Fi}, {"sb", Kw::Sb}, {"sa", Kw::Sa}, {"sl", Kw::Sl}, {"slmult", Kw::SlMult},

        {"par", Kw::Par}, {"line", Kw::Line}, {"tab", Kw::Tab}, {"page", Kw::Page}, {"sect", Kw::Sect},
        {"trowd", Kw::TRowD}, {"cellx", Kw::CellX}, {"intbl", Kw::InTbl}, {"itap", Kw::Itap},
        {"cell", Kw::Cell}, {"nestcell", Kw::NestCell}, {"row", Kw::Row}, {"nestrow", Kw::NestRow},
        {"nesttableprops", Kw::NestTableProps}, {"trleft", Kw::TrLeft}, {"trgaph", Kw::TrGaph},
        {"trql", Kw::TrQl}, {"trqc", Kw::TrQc}, {"trqr", Kw::TrQr}, {"trpaddl", Kw::TrPaddL},
        {"trpaddr", Kw::TrPaddR}, {"trpaddt", Kw::TrPaddT}, {"trpaddb", Kw::TrPaddB},
        {"clmgf", Kw::ClMgf}, {"clmrg", Kw::ClMrg}, {"clvmgf", Kw::ClVmgf}, {"clvmrg", Kw::ClVmrg},
        {"clvertalt", Kw::ClVertAlT}, {"clvertalc", Kw::ClVertAlC}, {"clvertalb", Kw::ClVertAlB},
        {"clcbpat", Kw::ClCbPat},
        {"clbrdrt", Kw::ClBrdrT}, {"clbrdrl", Kw::ClBrdrL}, {"clbrdrb", Kw::ClBrdrB}, {"clbrdrr", Kw::ClBrdrR},
        {"trbrdrt", Kw::TrBrdrT}, {"trbrdrl", Kw::TrBrdrL}, {"trbrdrb", Kw::TrBrdrB}, {"trbrdrr", Kw::TrBrdrR},
        {"trbrdrh", Kw::TrBrdrH}, {"trbrdrv", Kw::TrBrdrV},
        {"brdrdb", Kw::BrdrDouble}, {"brdrdot", Kw::BrdrDotted}, {"brdrdash", Kw::BrdrDashed},
        {"brdrdashsm", Kw::BrdrDashed}, {"brdrdashd", Kw::BrdrDashed}, {"brdrdashdd", Kw::BrdrDashed},
        {"brdrnone", Kw::BrdrNone}, {"brdrnil", Kw::BrdrNone}, {"brdrtbl", Kw::BrdrNone},
        {"brdrw", Kw::BrdrW}, {"brdrcf", Kw::BrdrCf},
        {"emdash", Kw::EmDash}, {"endash", Kw::EnDash}, {"bullet", Kw::Bullet},
        {"lquote", Kw::LQuote}, {"rquote", Kw::RQuote}, {"ldblquote", Kw::LDblQuote},
        {"rdblquote", Kw::RDblQuote}, {"emspace", Kw::EmSpace}, {"enspace", Kw::EnSpace},
        {"qmspace", Kw::QmSpace},

        {"pngblip", Kw::PngBlip}, {"jpegblip", Kw::JpegBlip}, {"emfblip", Kw::OtherPicture},
        {"wmetafile", Kw::OtherPicture}, {"dibitmap", Kw::OtherPicture}, {"wbitmap", Kw::OtherPicture},
        {"macpict", Kw::OtherPicture}, {"pmmetafile", Kw::OtherPicture}, {"picw", Kw::PicW},
        {"pich", Kw::PicH}, {"picwgoal", Kw::PicWGoal}, {"pichgoal", Kw::PicHGoal},
        {"picscalex", Kw::PicScaleX}, {"picscaley", Kw::PicScaleY},
    };
}

void addEach(Words& m, std::initializer_list<const char*> words, Kw kw)
{
    for (const char* word : words)
        m.emplace(word, kw);
}

// The families of words that are read as one.
void addFamilies(Words& m)
{
    // Every kind of underline reads as underline.
    addEach(m, {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash",
               "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash",
               "ululdbwave", "ulw", "ulwave"}, Kw::Ul);
    // Paragraph, character and picture borders: their \brdr words must not reach a table cell.
    addEach(m, {"brdrt", "brdrl", "brdrb", "brdrr", "brdrbtw", "brdrbar", "box", "chbrdr"}, Kw::OtherBorder);
    // Every other line style is drawn as a single line.
    addEach(m, {"brdrs", "brdrth", "brdrsh", "brdrhair", "brdrtriple", "brdrtnthsg", "brdrthtnsg",
               "brdrtnthtnsg", "brdrtnthmg", "brdrthtnmg", "brdrtnthtnmg", "brdrtnthlg",
               "brdrthtnlg", "brdrtnthtnlg", "brdrwavy", "brdrwavydb", "brdrdashdotstr",
               "brdremboss", "brdrengrave", "brdroutset", "brdrinset", "brdrframe"}, Kw::BrdrSingle);
    // Destinations that hold no body text (or text the page does not show).
    addEach(m, {"stylesheet", "info", "footnote", "fldinst", "listtable", "listoverridetable", "pntxta", "pntxtb", "pn",
               "nonshppict", "xe", "tc", "template", "revtbl", "rsidtbl", "filetbl", "pgdsctbl", "private",
               "atnid", "atnauthor", "annotation", "ftnsep", "ftnsepc", "aftnsep", "aftnsepc", "themedata",
               "colorschememapping", "datastore", "latentstyles", "xmlnstbl", "listpicture", "objdata",
               "objclass", "objname", "bkmkstart", "bkmkend", "generator", "author", "operator", "title",
               "subject", "keywords", "doccomm", "comment", "company", "category", "manager", "hlinkbase",
               "buptim", "creatim", "printim", "revtim", "userprops", "docvar", "do", "shpinst", "picprop",
               "blipuid", "fchars", "lchars", "mmathPr", "wgrffmtfilter", "passwordhash", "protusertbl",
               "txe", "rxe", "ftncn", "aftncn", "pnseclvl", "fldtype", "nonesttables"}, Kw::SkipDest);
    addEach(m, {"header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf"}, Kw::HeaderDest);
}

const Words& table()
{
    static const Words words = [] {
        Words m = namedWords();
        addFamilies(m);
        return m;
    }();
    return words;
}

} // namespace

Kw lookupKeyword(std::string_view word)
{
    const auto& words = table();
    const auto it = words.find(word);
    return it == words.end() ? Kw::Unknown : it->second;
}

} // namespace platform::rtf
