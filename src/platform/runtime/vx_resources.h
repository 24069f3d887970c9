// The suite's texts by identifier: captions, labels, notes and messages, each in one place.
//
// Callers name a text by its identifier (TVXRes::VXSaving) or, where an identifier arrives as
// data, by name ("_VXSaving" or "VXSaving"). Texts that take arguments hold "%s" / "%d"
// placeholders, filled in order by VXResFmt; numbers are passed already written out. A count in a
// "%d" is read as a reader reads it: in threes with the user's thousands separator
// ("1,800,420 words"), and a count of 1 takes the singular of the noun after it ("1 text").
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "platform/rtl/ustring.h"

enum class TVXRes : uint16_t {
  VX1Entry, VXANoLongerCurre, VXActiveColumnNumberAndHeading, VXAddingToIndex,
  VXAdditionalRequirement, VXAll, VXAllowedAtPosXOfWord, VXAlphabetical, VXAnd, VXAnsi, VXAnywhere,
  VXAutoSaving, VXBIC_Score, VXBasedOnNmanyFiles, VXBasedOnStr, VXBatchN, VXBatchXZipname,
  VXBewareAllPagesEqualsNPagesToPrint, VXBreakdownOfResults, VXBreakdownX, VXBugReport,
  VXBytePositions, VXCantReadFile, VXCaseSensitive, VXChangeSelection, VXCharacterEntities,
  VXChoose, VXChoose1ConcordanceList, VXChooseAConcordanceBasedOnSameSearch, VXChooseTextsNow,
  VXChooseTextsStr, VXChooseXColumnForData, VXClearCaption, VXClearColours, VXClickHelpOnX,
  VXClosingATool, VXClusterSize, VXClusters, VXCollocate, VXCollocateHorizonsXToY,
  VXCollocateRelationship, VXCollocates, VXCollocatesOfX, VXColourCategories, VXCompute,
  VXComputeNewConcordance, VXComputed, VXComputingX, VXConcordance, VXConcordanceList,
  VXConcordancingX, VXConditionNum, VXConsistency, VXContextPlain, VXContextWordHorizonsXToY,
  VXContinue, VXConvertedTo, VXCopy, VXCouldnTFindFileS, VXCreating, VXCurrentXSettings,
  VXCutInNTexts, VXCuttingX, VXDTagsHandled, VXDataColumnNum, VXDataFromColumnC, VXDate,
  VXDateSegmentHitsWordCount, VXDelete, VXDeleteIf, VXDeleteMatches, VXDeleteNonMatches, VXDeleteS,
  VXDeleteXQ, VXDetailedConsistencyList, VXDiceCoefficientIs, VXDispersion, VXDoYouWantToXorY,
  VXDocumentHeader, VXDone, VXDoubleClickConcLine, VXDoubleClickEntryForDetails, VXEnd,
  VXEnterSetData, VXEntries, VXError, VXEtc, VXExcluding, VXFailedToPlay, VXFailedToReadX,
  VXFailedToSaveX, VXFilename, VXFilenames, VXFiles, VXFind, VXFirstNWords, VXFitToPage, VXFolder,
  VXFollowConcordancefromCollocate, VXFontIsAndSizeIs, VXFound, VXFreqInX, VXFrequency,
  VXFrequencyInput, VXFrequencyOutput, VXFrequencySort, VXFunctionNFound, VXGreyMarkupNChars,
  VXHTML, VXHalting, VXHasaHoleAtBytes, VXHeading, VXHeadingEndMarkedBy, VXHeadingStartMarkedBy,
  VXHideX, VXHitN, VXHitTypes, VXHitWordContext, VXHits, VXHowManyEntries, VXHyphensSeparateWords,
  VXIfX, VXIfXAndY, VXIfXButNotY, VXIfXOrY, VXImportedByUser, VXInX, VXIncludeHeadersAndHeadings,
  VXIncludeHeadings, VXIncludeXQ, VXIncludingXY, VXIndex, VXIndexFile, VXIndexFrequency,
  VXItemNOfNAndLineNofN, VXJoint, VXKeepingX, VXKeywords, VXL, VXLandscape, VXLanguage,
  VXLanguageChangedTo, VXLanguageUsed, VXLeft, VXLemmas, VXListIsLoaded, VXListIsntLoaded,
  VXListTypeCloudFromFile, VXLoadCaption, VXLoadingX, VXLogRatio, VXLookupTableNotFound,
  VXMainRequirement, VXMakeAFile, VXMarkerNotFoundInMarkup, VXMatchAndMark, VXMatchListItems,
  VXMaxWantedIs, VXMaxX, VXMaximumFloatIs, VXMaximumXIs, VXMeanX, VXMediaStartOfFilenameUndefined,
  VXMergeXwithY, VXMergedWith, VXMiddle, VXMinX, VXMinimalProcessing, VXMinimumFloatIs,
  VXMinimumLengthLetters, VXMinimumXIs, VXMixedTextFormats, VXN, VXNCut, VXNEntries, VXNFound,
  VXNHits, VXNInCluster, VXNKept, VXNManyOutOfN, VXNManyTextFilesLoadedFrom, VXNManyX,
  VXNManyXedOutOfN, VXNPlotPositions, VXNStoplistTokensRemo, VXNStoplistTypesRemov,
  VXNTotalFilesToProcess, VXNWords, VXNWordsInFileS, VXNearDuplicates, VXNegativeKWsExcludedIs,
  VXNextWorksheet, VXNmanyCharactersSavedPerEntry, VXNmanyEntriesFound, VXNmanyRemovedBelowBIC,
  VXNmanyTexts, VXNmanyXFoundForXPercent, VXNo, VXNoLimits, VXNoMediaFilenameExtensionFound,
  VXNodeXAsPCollocateOfY, VXNone, VXNotFoundIn, VXNotMarked, VXNotYetX, VXNumber, VXNumbers,
  VXNumbersRemoved, VXOmitIfWord1Word2, VXOnlyIf, VXOnlyToTheRight, VXOpeningX, VXOverall,
  VXOverlap, VXPValueIs, VXPageTabNumber, VXPages, VXPanicMode, VXPanicStopAt, VXParagraph,
  VXParagraphEndMarkedBy, VXParagraphStartMarkedBy, VXParts, VXPaste, VXPasteCharacter,
  VXPathAndFilename, VXPathToTheFile, VXPatterns, VXPause, VXPercentWordsFoundInRefCorpus,
  VXPercentsOfLinesFoundBeforeStopList,
  VXPhraseFrames, VXPlotDetails, VXPlotPositions, VXPlots, VXPortrait, VXPositions, VXPrefix,
  VXPrintNPages, VXPrintPreview, VXPrinternameAndPortraitOrLandScape, VXProblemMakingX,
  VXProcedureEquals, VXProcessingNRelatedClusters, VXProcessingNmanyFiles, VXPunctuation, VXR,
  VXREduceData, VXReferenceCorpus, VXRelatedClustersOfX, VXRelationships, VXRelativeEntropy,
  VXRemoveMarkup, VXRemoveMatchMarking, VXRequireXinContext, VXRequirementsEqX, VXRestoreMarkup,
  VXResume, VXReverseAlphabetical, VXReverseDeletion, VXRight, VXRowNumber, VXSDX, VXSaveAsExcel,
  VXSaveAsOther, VXSaveAsPlainText, VXSaveAsXML, VXSaveTextFileDataCanList, VXSaveTheseSettings,
  VXSaveasRTF, VXSaving, VXSearch, VXSearchAndReplace, VXSearchTip, VXSearchWithin, VXSearchWord,
  VXSearchWordsNString, VXSecondsPerWord, VXSection, VXSectionEndMarkedBy, VXSectionN,
  VXSectionStartMarkedBy, VXSeekingX, VXSelected, VXSelectingBetween, VXSelectingWithin,
  VXSentence, VXSentenceEndMarkedBy, VXSentenceOnly, VXSentenceStartMarkedBy, VXSentences, VXSet,
  VXSettings, VXShow, VXShowInExistingConcordance, VXShowPairsBothWays, VXShowX,
  VXSingleByteFormat, VXSize, VXSort, VXSourceFilename, VXStart, VXStatistics, VXStopAt,
  VXStopAtEndOfText, VXStopAtXBreak, VXStopList, VXStopListItems, VXStopListWords, VXStopped,
  VXStoppingASAP, VXStoppingAtEOF, VXStudyWordlist, VXSuffix, VXSymbolsTreatedAsCharacters,
  VXTagFile, VXTagFormatWrong, VXTagTreatmentIs, VXTagfileTags, VXTags, VXTagsToExcludeHandled,
  VXTagsToKeepHandled, VXTagsToTranslateHandled, VXTessorineList, VXTessorineTools, VXTestN,
  VXTextDispersion, VXTextFile, VXTextFiles, VXTexts, VXTextsNString, VXTheseFiles, VXTimeLineData,
  VXTimeLineList, VXTimelines, VXToLeftAndRight, VXTokens, VXTookNMs, VXTookNSeconds, VXTookX,
  VXTotal, VXTotalN, VXTotalXEquals, VXTryingX, VXUTF8, VXUndefinedTags, VXUnicode, VXUnsaved,
  VXVersion, VXVideoLanPlayerNeeded, VXVideoLanPlayerState, VXWanted, VXWarning, VXWholeLinesSavedPerEntry,
  VXWithColumnTotals, VXWord, VXWordLength, VXWordLengths, VXWordList, VXWordListMustMatchCorpus,
  VXWordNIs, VXWords, VXWorkingPercent, VXXBasis, VXXColumn, VXXColumnData, VXXColumnTooWide,
  VXXContainingYWillBEExcludedQ, VXXEqualsAndSpan, VXXIncludedTF, VXXNotFound, VXXNow,
  VXXORYNotFoundOrFaulty, VXXReachedYourPresetLimitsY, VXXSavedOK, VXXScoreEqualsX, VXXStrength,
  VXXTextFiles, VXXToolMainControllerSettings, VXXWordClusters, VXXforRowNOnlyQ,
  VXXtoYWordClusters, VXYOucanMake, VXYes, VXYouHaveNTextsChosen, VXZipFileWillBeInSections,
  VXZippedText, VXZipping, VXimported,
  Count
};

inline constexpr int kVXResCount = static_cast<int>(TVXRes::Count);

// The text of a resource; "" for an id outside the table.
UString VXRes(TVXRes id);
// The text with its placeholders filled in order, counts grouped and nouns after a count of 1
// singular.
UString VXResFmt(TVXRes id, std::initializer_list<UStringView> args);
// The same for any format of ours.
UString CountFormat(UStringView fmt, std::initializer_list<UStringView> args);
// The identifier without its leading underscore ("VXSaving").
const char* VXResName(TVXRes id);
// Looks an identifier up by name, with or without the leading underscore; false when unknown.
bool FindVXRes(std::string_view name, TVXRes& id);
