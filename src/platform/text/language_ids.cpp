// Language identifiers: the table of the languages a corpus may be written in, with their ICU
// locale names, English names and 8-bit code pages.
#include <unicode/uloc.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/text/text_internal.h"
#include "platform/text/text_services.h"

namespace {

// In increasing identifier order (checked by the tests): lookups by identifier are binary
// searches, and the enumeration is in the platform's order.
constexpr TLanguageIdInfo kLanguages[] = {
    {0x0401, "ar_SA", "Arabic (Saudi Arabia)", 1256},
    {0x0402, "bg_BG", "Bulgarian (Bulgaria)", 1251},
    {0x0403, "ca_ES", "Catalan (Catalan)", 1252},
    {0x0404, "zh_TW", "Chinese (Taiwan)", 950},
    {0x0405, "cs_CZ", "Czech (Czech Republic)", 1250},
    {0x0406, "da_DK", "Danish (Denmark)", 1252},
    {0x0407, "de_DE", "German (Germany)", 1252},
    {0x0408, "el_GR", "Greek (Greece)", 1253},
    {0x0409, "en_US", "English (United States)", 1252},
    {0x040A, "es_ES@collation=traditional", "Spanish (Spain, Traditional Sort)", 1252},
    {0x040B, "fi_FI", "Finnish (Finland)", 1252},
    {0x040C, "fr_FR", "French (France)", 1252},
    {0x040D, "he_IL", "Hebrew (Israel)", 1255},
    {0x040E, "hu_HU", "Hungarian (Hungary)", 1250},
    {0x040F, "is_IS", "Icelandic (Iceland)", 1252},
    {0x0410, "it_IT", "Italian (Italy)", 1252},
    {0x0411, "ja_JP", "Japanese (Japan)", 932},
    {0x0412, "ko_KR", "Korean (Korea)", 949},
    {0x0413, "nl_NL", "Dutch (Netherlands)", 1252},
    {0x0414, "nb_NO", "Norwegian, Bokm\u00e5l (Norway)", 1252},
    {0x0415, "pl_PL", "Polish (Poland)", 1250},
    {0x0416, "pt_BR", "Portuguese (Brazil)", 1252},
    {0x0417, "rm_CH", "Romansh (Switzerland)", 1252},
    {0x0418, "ro_RO", "Romanian (Romania)", 1250},
    {0x0419, "ru_RU", "Russian (Russia)", 1251},
    {0x041A, "hr_HR", "Croatian (Croatia)", 1250},
    {0x041B, "sk_SK", "Slovak (Slovakia)", 1250},
    {0x041C, "sq_AL", "Albanian (Albania)", 1250},
    {0x041D, "sv_SE", "Swedish (Sweden)", 1252},
    {0x041E, "th_TH", "Thai (Thailand)", 874},
    {0x041F, "tr_TR", "Turkish (Turkey)", 1254},
    {0x0420, "ur_PK", "Urdu (Islamic Republic of Pakistan)", 1256},
    {0x0421, "id_ID", "Indonesian (Indonesia)", 1252},
    {0x0422, "uk_UA", "Ukrainian (Ukraine)", 1251},
    {0x0423, "be_BY", "Belarusian (Belarus)", 1251},
    {0x0424, "sl_SI", "Slovenian (Slovenia)", 1250},
    {0x0425, "et_EE", "Estonian (Estonia)", 1257},
    {0x0426, "lv_LV", "Latvian (Latvia)", 1257},
    {0x0427, "lt_LT", "Lithuanian (Lithuania)", 1257},
    {0x0428, "tg_Cyrl_TJ", "Tajik (Cyrillic, Tajikistan)", 1251},
    {0x0429, "fa_IR", "Persian (Iran)", 1256},
    {0x042A, "vi_VN", "Vietnamese (Vietnam)", 1258},
    {0x042B, "hy_AM", "Armenian (Armenia)", 0},
    {0x042C, "az_Latn_AZ", "Azerbaijani (Latin, Azerbaijan)", 1254},
    {0x042D, "eu_ES", "Basque (Basque)", 1252},
    {0x042E, "hsb_DE", "Upper Sorbian (Germany)", 1252},
    {0x042F, "mk_MK", "Macedonian (North Macedonia)", 1251},
    {0x0430, "st_ZA", "Southern Sotho (South Africa)", 1252},
    {0x0432, "tn_ZA", "Setswana (South Africa)", 1252},
    {0x0434, "xh_ZA", "isiXhosa (South Africa)", 1252},
    {0x0435, "zu_ZA", "isiZulu (South Africa)", 1252},
    {0x0436, "af_ZA", "Afrikaans (South Africa)", 1252},
    {0x0437, "ka_GE", "Georgian (Georgia)", 0},
    {0x0438, "fo_FO", "Faroese (Faroe Islands)", 1252},
    {0x0439, "hi_IN", "Hindi (India)", 0},
    {0x043A, "mt_MT", "Maltese (Malta)", 0},
    {0x043B, "se_NO", "Sami, Northern (Norway)", 1252},
    {0x043D, "yi_001", "Yiddish (World)", 0},
    {0x043E, "ms_MY", "Malay (Malaysia)", 1252},
    {0x043F, "kk_KZ", "Kazakh (Kazakhstan)", 1251},
    {0x0440, "ky_KG", "Kyrgyz (Kyrgyzstan)", 1251},
    {0x0441, "sw_KE", "Kiswahili (Kenya)", 1252},
    {0x0442, "tk_TM", "Turkmen (Turkmenistan)", 1250},
    {0x0443, "uz_Latn_UZ", "Uzbek (Latin, Uzbekistan)", 1254},
    {0x0444, "tt_RU", "Tatar (Russia)", 1251},
    {0x0445, "bn_IN", "Bangla (India)", 0},
    {0x0446, "pa_IN", "Punjabi (India)", 0},
    {0x0447, "gu_IN", "Gujarati (India)", 0},
    {0x0448, "or_IN", "Odia (India)", 0},
    {0x0449, "ta_IN", "Tamil (India)", 0},
    {0x044A, "te_IN", "Telugu (India)", 0},
    {0x044B, "kn_IN", "Kannada (India)", 0},
    {0x044C, "ml_IN", "Malayalam (India)", 0},
    {0x044D, "as_IN", "Assamese (India)", 0},
    {0x044E, "mr_IN", "Marathi (India)", 0},
    {0x044F, "sa_IN", "Sanskrit (India)", 0},
    {0x0450, "mn_MN", "Mongolian (Cyrillic, Mongolia)", 1251},
    {0x0451, "bo_CN", "Tibetan (PRC)", 0},
    {0x0452, "cy_GB", "Welsh (United Kingdom)", 1252},
    {0x0453, "km_KH", "Khmer (Cambodia)", 0},
    {0x0454, "lo_LA", "Lao (Lao P.D.R.)", 0},
    {0x0455, "my_MM", "Burmese (Myanmar)", 0},
    {0x0456, "gl_ES", "Galician (Galician)", 1252},
    {0x0457, "kok_IN", "Konkani (India)", 0},
    {0x045A, "syr_SY", "Syriac (Syria)", 0},
    {0x045B, "si_LK", "Sinhala (Sri Lanka)", 0},
    {0x045E, "am_ET", "Amharic (Ethiopia)", 0},
    {0x0461, "ne_NP", "Nepali (Nepal)", 0},
    {0x0462, "fy_NL", "Frisian (Netherlands)", 1252},
    {0x0463, "ps_AF", "Pashto (Afghanistan)", 1256},
    {0x0464, "fil_PH", "Filipino (Philippines)", 1252},
    {0x0465, "dv_MV", "Divehi (Maldives)", 0},
    {0x0468, "ha_Latn_NG", "Hausa (Latin, Nigeria)", 1252},
    {0x046A, "yo_NG", "Yoruba (Nigeria)", 1252},
    {0x046C, "nso_ZA", "Sesotho sa Leboa (South Africa)", 1252},
    {0x046D, "ba_RU", "Bashkir (Russia)", 1251},
    {0x046E, "lb_LU", "Luxembourgish (Luxembourg)", 1252},
    {0x046F, "kl_GL", "Greenlandic (Greenland)", 1252},
    {0x0470, "ig_NG", "Igbo (Nigeria)", 1252},
    {0x0476, "la_001", "Latin (World)", 1252},
    {0x0477, "so_SO", "Somali (Somalia)", 1252},
    {0x0478, "ii_CN", "Yi (PRC)", 0},
    {0x047A, "arn_CL", "Mapudungun (Chile)", 1252},
    {0x047C, "moh_CA", "Mohawk (Canada)", 1252},
    {0x047E, "br_FR", "Breton (France)", 1252},
    {0x0480, "ug_CN", "Uyghur (PRC)", 1256},
    {0x0481, "mi_NZ", "Maori (New Zealand)", 0},
    {0x0482, "oc_FR", "Occitan (France)", 1252},
    {0x0483, "co_FR", "Corsican (France)", 1252},
    {0x0484, "gsw_FR", "Alsatian (France)", 1252},
    {0x0485, "sah_RU", "Yakut (Russia)", 1251},
    {0x0487, "rw_RW", "Kinyarwanda (Rwanda)", 1252},
    {0x0488, "wo_SN", "Wolof (Senegal)", 1252},
    {0x048C, "fa_AF", "Dari (Afghanistan)", 1256},
    {0x0491, "gd_GB", "Scottish Gaelic (United Kingdom)", 1252},
    {0x0801, "ar_IQ", "Arabic (Iraq)", 1256},
    {0x0804, "zh_CN", "Chinese (PRC)", 936},
    {0x0807, "de_CH", "German (Switzerland)", 1252},
    {0x0809, "en_GB", "English (United Kingdom)", 1252},
    {0x080A, "es_MX", "Spanish (Mexico)", 1252},
    {0x080C, "fr_BE", "French (Belgium)", 1252},
    {0x0810, "it_CH", "Italian (Switzerland)", 1252},
    {0x0813, "nl_BE", "Dutch (Belgium)", 1252},
    {0x0814, "nn_NO", "Norwegian, Nynorsk (Norway)", 1252},
    {0x0816, "pt_PT", "Portuguese (Portugal)", 1252},
    {0x0818, "ro_MD", "Romanian (Moldova)", 1250},
    {0x0819, "ru_MD", "Russian (Moldova)", 1251},
    {0x081A, "sr_Latn_CS", "Serbian (Latin, Serbia and Montenegro (Former))", 1250},
    {0x081D, "sv_FI", "Swedish (Finland)", 1252},
    {0x082C, "az_Cyrl_AZ", "Azerbaijani (Cyrillic, Azerbaijan)", 1251},
    {0x082E, "dsb_DE", "Lower Sorbian (Germany)", 1252},
    {0x083B, "se_SE", "Sami, Northern (Sweden)", 1252},
    {0x083C, "ga_IE", "Irish (Ireland)", 1252},
    {0x083E, "ms_BN", "Malay (Brunei Darussalam)", 1252},
    {0x0843, "uz_Cyrl_UZ", "Uzbek (Cyrillic, Uzbekistan)", 1251},
    {0x0845, "bn_BD", "Bangla (Bangladesh)", 0},
    {0x0C01, "ar_EG", "Arabic (Egypt)", 1256},
    {0x0C04, "zh_HK", "Chinese (Hong Kong S.A.R.)", 950},
    {0x0C07, "de_AT", "German (Austria)", 1252},
    {0x0C09, "en_AU", "English (Australia)", 1252},
    {0x0C0A, "es_ES", "Spanish (Spain)", 1252},
    {0x0C0C, "fr_CA", "French (Canada)", 1252},
    {0x0C1A, "sr_Cyrl_CS", "Serbian (Cyrillic, Serbia and Montenegro (Former))", 1251},
    {0x0C3B, "se_FI", "Sami, Northern (Finland)", 1252},
    {0x1001, "ar_LY", "Arabic (Libya)", 1256},
    {0x1004, "zh_SG", "Chinese (Singapore)", 936},
    {0x1007, "de_LU", "German (Luxembourg)", 1252},
    {0x1009, "en_CA", "English (Canada)", 1252},
    {0x100A, "es_GT", "Spanish (Guatemala)", 1252},
    {0x100C, "fr_CH", "French (Switzerland)", 1252},
    {0x101A, "hr_BA", "Croatian (Latin, Bosnia and Herzegovina)", 1250},
    {0x1401, "ar_DZ", "Arabic (Algeria)", 1256},
    {0x1404, "zh_MO", "Chinese (Macao S.A.R.)", 950},
    {0x1407, "de_LI", "German (Liechtenstein)", 1252},
    {0x1409, "en_NZ", "English (New Zealand)", 1252},
    {0x140A, "es_CR", "Spanish (Costa Rica)", 1252},
    {0x140C, "fr_LU", "French (Luxembourg)", 1252},
    {0x141A, "bs_Latn_BA", "Bosnian (Latin, Bosnia and Herzegovina)", 1250},
    {0x1801, "ar_MA", "Arabic (Morocco)", 1256},
    {0x1809, "en_IE", "English (Ireland)", 1252},
    {0x180A, "es_PA", "Spanish (Panama)", 1252},
    {0x180C, "fr_MC", "French (Monaco)", 1252},
    {0x181A, "sr_Latn_BA", "Serbian (Latin, Bosnia and Herzegovina)", 1250},
    {0x1C01, "ar_TN", "Arabic (Tunisia)", 1256},
    {0x1C09, "en_ZA", "English (South Africa)", 1252},
    {0x1C0A, "es_DO", "Spanish (Dominican Republic)", 1252},
    {0x1C1A, "sr_Cyrl_BA", "Serbian (Cyrillic, Bosnia and Herzegovina)", 1251},
    {0x2001, "ar_OM", "Arabic (Oman)", 1256},
    {0x2009, "en_JM", "English (Jamaica)", 1252},
    {0x200A, "es_VE", "Spanish (Venezuela)", 1252},
    {0x201A, "bs_Cyrl_BA", "Bosnian (Cyrillic, Bosnia and Herzegovina)", 1251},
    {0x2401, "ar_YE", "Arabic (Yemen)", 1256},
    {0x2409, "en_029", "English (Caribbean)", 1252},
    {0x240A, "es_CO", "Spanish (Colombia)", 1252},
    {0x241A, "sr_Latn_RS", "Serbian (Latin, Serbia)", 1250},
    {0x2801, "ar_SY", "Arabic (Syria)", 1256},
    {0x2809, "en_BZ", "English (Belize)", 1252},
    {0x280A, "es_PE", "Spanish (Peru)", 1252},
    {0x281A, "sr_Cyrl_RS", "Serbian (Cyrillic, Serbia)", 1251},
    {0x2C01, "ar_JO", "Arabic (Jordan)", 1256},
    {0x2C09, "en_TT", "English (Trinidad and Tobago)", 1252},
    {0x2C0A, "es_AR", "Spanish (Argentina)", 1252},
    {0x2C1A, "sr_Latn_ME", "Serbian (Latin, Montenegro)", 1250},
    {0x3001, "ar_LB", "Arabic (Lebanon)", 1256},
    {0x3009, "en_ZW", "English (Zimbabwe)", 1252},
    {0x300A, "es_EC", "Spanish (Ecuador)", 1252},
    {0x301A, "sr_Cyrl_ME", "Serbian (Cyrillic, Montenegro)", 1251},
    {0x3401, "ar_KW", "Arabic (Kuwait)", 1256},
    {0x3409, "en_PH", "English (Philippines)", 1252},
    {0x340A, "es_CL", "Spanish (Chile)", 1252},
    {0x3801, "ar_AE", "Arabic (U.A.E.)", 1256},
    {0x380A, "es_UY", "Spanish (Uruguay)", 1252},
    {0x3C01, "ar_BH", "Arabic (Bahrain)", 1256},
    {0x3C0A, "es_PY", "Spanish (Paraguay)", 1252},
    {0x4001, "ar_QA", "Arabic (Qatar)", 1256},
    {0x4009, "en_IN", "English (India)", 1252},
    {0x400A, "es_BO", "Spanish (Bolivia)", 1252},
    {0x4409, "en_MY", "English (Malaysia)", 1252},
    {0x440A, "es_SV", "Spanish (El Salvador)", 1252},
    {0x4809, "en_SG", "English (Singapore)", 1252},
    {0x480A, "es_HN", "Spanish (Honduras)", 1252},
    {0x4C0A, "es_NI", "Spanish (Nicaragua)", 1252},
    {0x500A, "es_PR", "Spanish (Puerto Rico)", 1252},
    {0x540A, "es_US", "Spanish (United States)", 1252},
    {0x580A, "es_419", "Spanish (Latin America)", 1252},
};

constexpr TLCID kLangNeutral = 0x0000, kUserDefault = 0x0400, kSystemDefault = 0x0800;

// An identifier without its alternative-sort bits (16-19); a neutral one (sub-language 0)
// stands for the language's first country.
TLCID CanonicalLCID(TLCID lcid) {
  lcid &= 0xFFFF;
  if (lcid == 0x0004) return 0x0804;  // Chinese (Simplified)
  if (lcid == 0x7C04) return 0x0404;  // Chinese (Traditional)
  if (lcid != 0 && (lcid & 0xFC00) == 0) return lcid | 0x0400;
  return lcid;
}

std::string NormalisedName(std::string_view name) {
  std::string s(name);
  for (char& c : s)
    if (c == '-') c = '_';
  return s;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

TLCID ExactMatch(std::string_view name) {
  for (const auto& l : kLanguages)
    if (SameNameIgnoringCase(l.locale_name, name)) return l.lcid;
  return 0;
}

// Language, script and country of a name through ICU (likely subtags filled in).
struct TNameParts {
  std::string language, script, country;
};

TNameParts PartsOf(const std::string& name) {
  TNameParts p;
  UErrorCode err = U_ZERO_ERROR;
  char canon[ULOC_FULLNAME_CAPACITY] = {};
  uloc_canonicalize(name.c_str(), canon, sizeof canon, &err);
  if (U_FAILURE(err)) return p;
  char full[ULOC_FULLNAME_CAPACITY] = {};
  uloc_addLikelySubtags(canon, full, sizeof full, &err);
  if (U_FAILURE(err)) return p;
  char buf[ULOC_FULLNAME_CAPACITY] = {};
  uloc_getLanguage(full, buf, sizeof buf, &err);
  p.language = buf;
  uloc_getScript(full, buf, sizeof buf, &err);
  p.script = buf;
  uloc_getCountry(full, buf, sizeof buf, &err);
  p.country = buf;
  if (U_FAILURE(err)) p = {};
  return p;
}

}  // namespace

std::span<const TLanguageIdInfo> KnownLanguageIds() { return kLanguages; }

const TLanguageIdInfo* LanguageIdInfoOf(TLCID lcid) {
  lcid = CanonicalLCID(lcid);
  const auto* end = std::end(kLanguages);
  const auto* it = std::lower_bound(std::begin(kLanguages), end, lcid,
                                    [](const TLanguageIdInfo& l, TLCID id) { return l.lcid < id; });
  return it != end && it->lcid == lcid ? it : nullptr;
}

std::string LocaleNameFromLCID(TLCID lcid) {
  const TLanguageIdInfo* l = LanguageIdInfoOf(lcid);
  return l ? l->locale_name : "";
}

std::string EnglishNameOfLCID(TLCID lcid) {
  const TLanguageIdInfo* l = LanguageIdInfoOf(lcid);
  return l ? l->english_name : "";
}

int DefaultCodePageOfLCID(TLCID lcid) {
  const TLanguageIdInfo* l = LanguageIdInfoOf(lcid);
  return l && l->ansi_code_page != 0 ? l->ansi_code_page : 1252;
}

bool IsRightToLeftLCID(TLCID lcid) {
  switch (lcid & 0x3FF) {
    case 0x01:  // Arabic
    case 0x0D:  // Hebrew
    case 0x20:  // Urdu
    case 0x29:  // Persian
    case 0x3D:  // Yiddish
    case 0x59:  // Sindhi
    case 0x5A:  // Syriac
    case 0x63:  // Pashto
    case 0x65:  // Divehi
    case 0x80:  // Uyghur
    case 0x8C:  // Dari
    case 0x92:  // Central Kurdish
      return true;
    default: return false;
  }
}

// Exact name first ("en_US", "en-US", "sr_Latn_RS"); otherwise ICU fills in what the name leaves
// out ("pt" -> pt_Latn_BR, "zh_Hant_TW" -> zh_TW) and the table is tried with and without the
// script; a language the table knows only in other countries gives its first entry.
TLCID LCIDFromLocaleName(std::string_view name) {
  if (name.empty() || name.size() >= ULOC_FULLNAME_CAPACITY) return 0;
  const std::string n = NormalisedName(name);
  if (TLCID id = ExactMatch(n)) return id;
  TNameParts p = PartsOf(n);
  if (p.language.empty()) return 0;
  if (p.language == "no") p.language = "nb";  // plain Norwegian is written Bokmal
  if (!p.script.empty() && !p.country.empty())
    if (TLCID id = ExactMatch(p.language + "_" + p.script + "_" + p.country)) return id;
  if (!p.country.empty())
    if (TLCID id = ExactMatch(p.language + "_" + p.country)) return id;
  for (const auto& l : kLanguages) {
    const std::string_view ln(l.locale_name);
    if (ln.size() > p.language.size() && ln.substr(0, p.language.size()) == p.language &&
        ln[p.language.size()] == '_')
      return l.lcid;
  }
  return 0;
}

namespace lz_text_detail {

TLCID ResolvedLCID(TLCID lcid) {
  if (lcid == kLangNeutral || lcid == kUserDefault || lcid == kSystemDefault) {
    static const TLCID env_lcid = [] {
      const TLCID id = LCIDFromLocaleName(uloc_getDefault());
      return id != 0 ? id : kLCID_EnglishUS;
    }();
    return env_lcid;
  }
  return lcid;
}

std::string IcuLocaleOfLCID(TLCID lcid) { return LocaleNameFromLCID(ResolvedLCID(lcid)); }

}  // namespace lz_text_detail
