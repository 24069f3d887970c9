#include "platform/runtime/vx_resources.h"

#include <cwctype>

#include <algorithm>
#include <iterator>

namespace {

struct TResRow {
  TVXRes id;
  const char* name;
  const char16_t* text;
};

// Sorted by name (the lookup by name searches it by halves); row i holds id i.
constexpr TResRow kRes[] = {
    {TVXRes::VX1Entry, "VX1Entry", u"1 entry"},
    {TVXRes::VXANoLongerCurre, "VXANoLongerCurre", u"This file was saved in an older format that is no longer current."},
    {TVXRes::VXActiveColumnNumberAndHeading, "VXActiveColumnNumberAndHeading", u"Active column: %d (%s)"},
    {TVXRes::VXAddingToIndex, "VXAddingToIndex", u"Added to an existing index."},
    {TVXRes::VXAdditionalRequirement, "VXAdditionalRequirement", u"Additional requirement"},
    {TVXRes::VXAll, "VXAll", u"All"},
    {TVXRes::VXAllowedAtPosXOfWord, "VXAllowedAtPosXOfWord", u", allowed %s"},
    {TVXRes::VXAlphabetical, "VXAlphabetical", u"Alphabetical"},
    {TVXRes::VXAnd, "VXAnd", u" and "},
    {TVXRes::VXAnsi, "VXAnsi", u"8-bit text"},
    {TVXRes::VXAnywhere, "VXAnywhere", u"anywhere in a word"},
    {TVXRes::VXAutoSaving, "VXAutoSaving", u"Auto-saving"},
    {TVXRes::VXBIC_Score, "VXBIC_Score", u"BIC score"},
    {TVXRes::VXBasedOnNmanyFiles, "VXBasedOnNmanyFiles", u"based on %d text files"},
    {TVXRes::VXBasedOnStr, "VXBasedOnStr", u"based on %s"},
    {TVXRes::VXBatchN, "VXBatchN", u"Batch %d"},
    {TVXRes::VXBatchXZipname, "VXBatchXZipname", u"batch_%s"},
    {TVXRes::VXBewareAllPagesEqualsNPagesToPrint, "VXBewareAllPagesEqualsNPagesToPrint", u"Careful: all pages means %d pages to print"},
    {TVXRes::VXBreakdownOfResults, "VXBreakdownOfResults", u"Breakdown of results"},
    {TVXRes::VXBreakdownX, "VXBreakdownX", u"Breakdown: %s"},
    {TVXRes::VXBugReport, "VXBugReport", u"Where it happened: %s (%s). Please send the log file with a short description."},
    {TVXRes::VXBytePositions, "VXBytePositions", u"byte positions"},
    {TVXRes::VXCantReadFile, "VXCantReadFile", u"Cannot read the file %s"},
    {TVXRes::VXCaseSensitive, "VXCaseSensitive", u"Case sensitive"},
    {TVXRes::VXChangeSelection, "VXChangeSelection", u"Change selection"},
    {TVXRes::VXCharacterEntities, "VXCharacterEntities", u"character entities"},
    {TVXRes::VXChoose, "VXChoose", u"Choose"},
    {TVXRes::VXChoose1ConcordanceList, "VXChoose1ConcordanceList", u"Choose a concordance to open"},
    {TVXRes::VXChooseAConcordanceBasedOnSameSearch, "VXChooseAConcordanceBasedOnSameSearch", u"Choose a concordance made with the same search"},
    {TVXRes::VXChooseTextsNow, "VXChooseTextsNow", u"Choose texts now"},
    {TVXRes::VXChooseTextsStr, "VXChooseTextsStr", u"Choose the texts for your %s."},
    {TVXRes::VXChooseXColumnForData, "VXChooseXColumnForData", u"Choose the column that holds the %s data"},
    {TVXRes::VXClearCaption, "VXClearCaption", u"Clear"},
    {TVXRes::VXClearColours, "VXClearColours", u"Clear all colour categories?"},
    {TVXRes::VXClickHelpOnX, "VXClickHelpOnX", u"Click Help to read more about %s."},
    {TVXRes::VXClosingATool, "VXClosingATool", u"closing %s"},
    {TVXRes::VXClusterSize, "VXClusterSize", u"Cluster size"},
    {TVXRes::VXClusters, "VXClusters", u"Clusters"},
    {TVXRes::VXCollocate, "VXCollocate", u"Collocate"},
    {TVXRes::VXCollocateHorizonsXToY, "VXCollocateHorizonsXToY", u"Collocate horizons: %s to %s"},
    {TVXRes::VXCollocateRelationship, "VXCollocateRelationship", u"Computing collocate relationships"},
    {TVXRes::VXCollocates, "VXCollocates", u"Collocates"},
    {TVXRes::VXCollocatesOfX, "VXCollocatesOfX", u"Collocates of %s"},
    {TVXRes::VXColourCategories, "VXColourCategories", u"Colour categories"},
    {TVXRes::VXCompute, "VXCompute", u"Compute"},
    {TVXRes::VXComputeNewConcordance, "VXComputeNewConcordance", u"compute a new concordance"},
    {TVXRes::VXComputed, "VXComputed", u"Computed"},
    {TVXRes::VXComputingX, "VXComputingX", u"Computing %s"},
    {TVXRes::VXConcordance, "VXConcordance", u"Concordance"},
    {TVXRes::VXConcordanceList, "VXConcordanceList", u"Concordance"},
    {TVXRes::VXConcordancingX, "VXConcordancingX", u"Concordancing %s"},
    {TVXRes::VXConditionNum, "VXConditionNum", u"Condition %d"},
    {TVXRes::VXConsistency, "VXConsistency", u"Texts"},
    {TVXRes::VXContextPlain, "VXContextPlain", u"Context words"},
    {TVXRes::VXContextWordHorizonsXToY, "VXContextWordHorizonsXToY", u"Context word horizons: %s to %s"},
    {TVXRes::VXContinue, "VXContinue", u"Continue?"},
    {TVXRes::VXConvertedTo, "VXConvertedTo", u"converted to %s"},
    {TVXRes::VXCopy, "VXCopy", u"Copy"},
    {TVXRes::VXCouldnTFindFileS, "VXCouldnTFindFileS", u"Could not find the file %s"},
    {TVXRes::VXCreating, "VXCreating", u"Creating"},
    {TVXRes::VXCurrentXSettings, "VXCurrentXSettings", u"Current %s settings"},
    {TVXRes::VXCutInNTexts, "VXCutInNTexts", u"cut in %d texts"},
    {TVXRes::VXCuttingX, "VXCuttingX", u"Cutting: %s"},
    {TVXRes::VXDTagsHandled, "VXDTagsHandled", u"%d tags handled"},
    {TVXRes::VXDataColumnNum, "VXDataColumnNum", u"Data column %d"},
    {TVXRes::VXDataFromColumnC, "VXDataFromColumnC", u"Take the data from the column \"%s\"?"},
    {TVXRes::VXDate, "VXDate", u"Date"},
    {TVXRes::VXDateSegmentHitsWordCount, "VXDateSegmentHitsWordCount", u"%s: %d hits in %d words"},
    {TVXRes::VXDelete, "VXDelete", u"Delete"},
    {TVXRes::VXDeleteIf, "VXDeleteIf", u"Delete if..."},
    {TVXRes::VXDeleteMatches, "VXDeleteMatches", u"Delete matches"},
    {TVXRes::VXDeleteNonMatches, "VXDeleteNonMatches", u"Delete non-matches"},
    {TVXRes::VXDeleteS, "VXDeleteS", u"Delete %s?"},
    {TVXRes::VXDeleteXQ, "VXDeleteXQ", u"Delete %s?"},
    {TVXRes::VXDetailedConsistencyList, "VXDetailedConsistencyList", u"Detailed consistency"},
    {TVXRes::VXDiceCoefficientIs, "VXDiceCoefficientIs", u"Words: %d and %d, shared: %d, Dice coefficient = %s"},
    {TVXRes::VXDispersion, "VXDispersion", u"Dispersion"},
    {TVXRes::VXDoYouWantToXorY, "VXDoYouWantToXorY", u"Do you want to %s or %s?"},
    {TVXRes::VXDocumentHeader, "VXDocumentHeader", u"Document header"},
    {TVXRes::VXDone, "VXDone", u"Done"},
    {TVXRes::VXDoubleClickConcLine, "VXDoubleClickConcLine", u"Double-click a concordance line to see its source text here."},
    {TVXRes::VXDoubleClickEntryForDetails, "VXDoubleClickEntryForDetails", u"double-click the entry for details"},
    {TVXRes::VXEnd, "VXEnd", u"at the end of a word"},
    {TVXRes::VXEnterSetData, "VXEnterSetData", u"Enter the Set value"},
    {TVXRes::VXEntries, "VXEntries", u"entries"},
    {TVXRes::VXError, "VXError", u"Error"},
    {TVXRes::VXEtc, "VXEtc", u"etc."},
    {TVXRes::VXExcluding, "VXExcluding", u"Excluding"},
    {TVXRes::VXFailedToPlay, "VXFailedToPlay", u"Could not play"},
    {TVXRes::VXFailedToReadX, "VXFailedToReadX", u"Failed to read %s"},
    {TVXRes::VXFailedToSaveX, "VXFailedToSaveX", u"Failed to save the %s"},
    {TVXRes::VXFilename, "VXFilename", u"File name"},
    {TVXRes::VXFilenames, "VXFilenames", u"file names"},
    {TVXRes::VXFiles, "VXFiles", u"files"},
    {TVXRes::VXFind, "VXFind", u"Find"},
    {TVXRes::VXFirstNWords, "VXFirstNWords", u"The first %d words:"},
    {TVXRes::VXFitToPage, "VXFitToPage", u"Fit to page"},
    {TVXRes::VXFolder, "VXFolder", u"Folder"},
    {TVXRes::VXFollowConcordancefromCollocate, "VXFollowConcordancefromCollocate", u"Make a concordance of %s?"},
    {TVXRes::VXFontIsAndSizeIs, "VXFontIsAndSizeIs", u"Font: %s, size %s"},
    {TVXRes::VXFound, "VXFound", u"found"},
    {TVXRes::VXFreqInX, "VXFreqInX", u"Freq. in %s"},
    {TVXRes::VXFrequency, "VXFrequency", u"Frequency"},
    {TVXRes::VXFrequencyInput, "VXFrequencyInput", u"Reading frequencies"},
    {TVXRes::VXFrequencyOutput, "VXFrequencyOutput", u"Writing the frequency order"},
    {TVXRes::VXFrequencySort, "VXFrequencySort", u"Sorting by frequency"},
    {TVXRes::VXFunctionNFound, "VXFunctionNFound", u"%s: %d found"},
    {TVXRes::VXGreyMarkupNChars, "VXGreyMarkupNChars", u"The text has about %d characters. Grey out its mark-up?"},
    {TVXRes::VXHTML, "VXHTML", u"HTML text"},
    {TVXRes::VXHalting, "VXHalting", u"Halting"},
    {TVXRes::VXHasaHoleAtBytes, "VXHasaHoleAtBytes", u" has a zero byte at position %d"},
    {TVXRes::VXHeading, "VXHeading", u"heading"},
    {TVXRes::VXHeadingEndMarkedBy, "VXHeadingEndMarkedBy", u"Heading end marked by %s"},
    {TVXRes::VXHeadingStartMarkedBy, "VXHeadingStartMarkedBy", u"Heading start marked by %s"},
    {TVXRes::VXHideX, "VXHideX", u"Hide %s"},
    {TVXRes::VXHitN, "VXHitN", u"Hit %d in row %d"},
    {TVXRes::VXHitTypes, "VXHitTypes", u"hit types"},
    {TVXRes::VXHitWordContext, "VXHitWordContext", u"Hit %d (%s): %s"},
    {TVXRes::VXHits, "VXHits", u"Hits"},
    {TVXRes::VXHowManyEntries, "VXHowManyEntries", u"How many entries do you want to keep?"},
    {TVXRes::VXHyphensSeparateWords, "VXHyphensSeparateWords", u"Hyphens separate words: %s"},
    {TVXRes::VXIfX, "VXIfX", u"if %s"},
    {TVXRes::VXIfXAndY, "VXIfXAndY", u"if %s and %s"},
    {TVXRes::VXIfXButNotY, "VXIfXButNotY", u"if %s but not %s"},
    {TVXRes::VXIfXOrY, "VXIfXOrY", u"if %s or %s"},
    {TVXRes::VXImportedByUser, "VXImportedByUser", u"%s imported by %s"},
    {TVXRes::VXInX, "VXInX", u"in %s"},
    {TVXRes::VXIncludeHeadersAndHeadings, "VXIncludeHeadersAndHeadings", u"Include headers and headings"},
    {TVXRes::VXIncludeHeadings, "VXIncludeHeadings", u"Include headings"},
    {TVXRes::VXIncludeXQ, "VXIncludeXQ", u"Include \"%s\" all the same?"},
    {TVXRes::VXIncludingXY, "VXIncludingXY", u"including %s %s"},
    {TVXRes::VXIndex, "VXIndex", u"index"},
    {TVXRes::VXIndexFile, "VXIndexFile", u"Index %s"},
    {TVXRes::VXIndexFrequency, "VXIndexFrequency", u"Index frequency"},
    {TVXRes::VXItemNOfNAndLineNofN, "VXItemNOfNAndLineNofN", u"Item %d of %d, line %d of %d"},
    {TVXRes::VXJoint, "VXJoint", u"Joint"},
    {TVXRes::VXKeepingX, "VXKeepingX", u"Keeping: %s"},
    {TVXRes::VXKeywords, "VXKeywords", u"Keywords"},
    {TVXRes::VXL, "VXL", u"L"},
    {TVXRes::VXLandscape, "VXLandscape", u"landscape"},
    {TVXRes::VXLanguage, "VXLanguage", u"Language"},
    {TVXRes::VXLanguageChangedTo, "VXLanguageChangedTo", u"Language changed to %s"},
    {TVXRes::VXLanguageUsed, "VXLanguageUsed", u"Language: %s"},
    {TVXRes::VXLeft, "VXLeft", u"Left"},
    {TVXRes::VXLemmas, "VXLemmas", u"Lemmas"},
    {TVXRes::VXListIsLoaded, "VXListIsLoaded", u"The list is loaded."},
    {TVXRes::VXListIsntLoaded, "VXListIsntLoaded", u"The list is not loaded."},
    {TVXRes::VXListTypeCloudFromFile, "VXListTypeCloudFromFile", u"%s word cloud from %s"},
    {TVXRes::VXLoadCaption, "VXLoadCaption", u"Load"},
    {TVXRes::VXLoadingX, "VXLoadingX", u"Loading %s"},
    {TVXRes::VXLogRatio, "VXLogRatio", u"Log ratio"},
    {TVXRes::VXLookupTableNotFound, "VXLookupTableNotFound", u"The media look-up table was not found."},
    {TVXRes::VXMainRequirement, "VXMainRequirement", u"Main requirement"},
    {TVXRes::VXMakeAFile, "VXMakeAFile", u"Make one concordance from %s"},
    {TVXRes::VXMarkerNotFoundInMarkup, "VXMarkerNotFoundInMarkup", u"The marker %s was not found in %s"},
    {TVXRes::VXMatchAndMark, "VXMatchAndMark", u"Match and mark"},
    {TVXRes::VXMatchListItems, "VXMatchListItems", u"match-list items"},
    {TVXRes::VXMaxWantedIs, "VXMaxWantedIs", u"Maximum wanted: %s"},
    {TVXRes::VXMaxX, "VXMaxX", u"Maximum %s"},
    {TVXRes::VXMaximumFloatIs, "VXMaximumFloatIs", u"Maximum %s: %s"},
    {TVXRes::VXMaximumXIs, "VXMaximumXIs", u"Maximum %s: %s"},
    {TVXRes::VXMeanX, "VXMeanX", u"Mean %s"},
    {TVXRes::VXMediaStartOfFilenameUndefined, "VXMediaStartOfFilenameUndefined", u"No marker for the start of a media file name has been set."},
    {TVXRes::VXMergeXwithY, "VXMergeXwithY", u"%s merged with %s"},
    {TVXRes::VXMergedWith, "VXMergedWith", u"Merged with %s"},
    {TVXRes::VXMiddle, "VXMiddle", u"in the middle of a word"},
    {TVXRes::VXMinX, "VXMinX", u"Minimum %s"},
    {TVXRes::VXMinimalProcessing, "VXMinimalProcessing", u"Minimal processing"},
    {TVXRes::VXMinimumFloatIs, "VXMinimumFloatIs", u"Minimum %s: %s"},
    {TVXRes::VXMinimumLengthLetters, "VXMinimumLengthLetters", u"Minimum length: %d letters"},
    {TVXRes::VXMinimumXIs, "VXMinimumXIs", u"Minimum %s: %s"},
    {TVXRes::VXMixedTextFormats, "VXMixedTextFormats", u"The texts were in mixed formats."},
    {TVXRes::VXN, "VXN", u"N"},
    {TVXRes::VXNCut, "VXNCut", u"%d cut"},
    {TVXRes::VXNEntries, "VXNEntries", u"%d entries"},
    {TVXRes::VXNFound, "VXNFound", u"%d found"},
    {TVXRes::VXNHits, "VXNHits", u"%d hits"},
    {TVXRes::VXNInCluster, "VXNInCluster", u"Words in entry"},
    {TVXRes::VXNKept, "VXNKept", u"%d kept"},
    {TVXRes::VXNManyOutOfN, "VXNManyOutOfN", u"%d out of %d"},
    {TVXRes::VXNManyTextFilesLoadedFrom, "VXNManyTextFilesLoadedFrom", u"%d text files loaded from %s"},
    {TVXRes::VXNManyX, "VXNManyX", u"%d %s"},
    {TVXRes::VXNManyXedOutOfN, "VXNManyXedOutOfN", u"%d %s out of %d"},
    {TVXRes::VXNPlotPositions, "VXNPlotPositions", u"%d plot positions"},
    {TVXRes::VXNStoplistTokensRemo, "VXNStoplistTokensRemo", u"%d tokens removed by the stop list"},
    {TVXRes::VXNStoplistTypesRemov, "VXNStoplistTypesRemov", u"%d types removed by the stop list"},
    {TVXRes::VXNTotalFilesToProcess, "VXNTotalFilesToProcess", u"%d files to process in all"},
    {TVXRes::VXNWords, "VXNWords", u"%d words"},
    {TVXRes::VXNWordsInFileS, "VXNWordsInFileS", u"%d words in %s"},
    {TVXRes::VXNearDuplicates, "VXNearDuplicates", u"near duplicates"},
    {TVXRes::VXNegativeKWsExcludedIs, "VXNegativeKWsExcludedIs", u"Negative keywords excluded: %s"},
    {TVXRes::VXNextWorksheet, "VXNextWorksheet", u"See the next worksheet for the %s"},
    {TVXRes::VXNmanyCharactersSavedPerEntry, "VXNmanyCharactersSavedPerEntry", u"%d characters saved per entry"},
    {TVXRes::VXNmanyEntriesFound, "VXNmanyEntriesFound", u"%d entries found"},
    {TVXRes::VXNmanyRemovedBelowBIC, "VXNmanyRemovedBelowBIC", u"%d removed below a BIC score of %s"},
    {TVXRes::VXNmanyTexts, "VXNmanyTexts", u"%d texts"},
    {TVXRes::VXNmanyXFoundForXPercent, "VXNmanyXFoundForXPercent", u"%d %s found for %s (%s%%)"},
    {TVXRes::VXNo, "VXNo", u"no"},
    {TVXRes::VXNoLimits, "VXNoLimits", u"no limits"},
    {TVXRes::VXNoMediaFilenameExtensionFound, "VXNoMediaFilenameExtensionFound", u"No media file with a known extension was found."},
    {TVXRes::VXNodeXAsPCollocateOfY, "VXNodeXAsPCollocateOfY", u"%s (%s) as a collocate of %s"},
    {TVXRes::VXNone, "VXNone", u"none"},
    {TVXRes::VXNotFoundIn, "VXNotFoundIn", u"not found in %s"},
    {TVXRes::VXNotMarked, "VXNotMarked", u"not marked"},
    {TVXRes::VXNotYetX, "VXNotYetX", u"not yet %s"},
    {TVXRes::VXNumber, "VXNumber", u"number"},
    {TVXRes::VXNumbers, "VXNumbers", u"Numbers"},
    {TVXRes::VXNumbersRemoved, "VXNumbersRemoved", u"Numbers removed"},
    {TVXRes::VXOmitIfWord1Word2, "VXOmitIfWord1Word2", u"Omit a word paired with itself"},
    {TVXRes::VXOnlyIf, "VXOnlyIf", u"Only if"},
    {TVXRes::VXOnlyToTheRight, "VXOnlyToTheRight", u"Only to the right"},
    {TVXRes::VXOpeningX, "VXOpeningX", u"Opening %s"},
    {TVXRes::VXOverall, "VXOverall", u"Overall"},
    {TVXRes::VXOverlap, "VXOverlap", u"overlap"},
    {TVXRes::VXPValueIs, "VXPValueIs", u"Maximum p value: %s"},
    {TVXRes::VXPageTabNumber, "VXPageTabNumber", u"page tab %d"},
    {TVXRes::VXPages, "VXPages", u"pages"},
    {TVXRes::VXPanicMode, "VXPanicMode", u"stop requested"},
    {TVXRes::VXPanicStopAt, "VXPanicStopAt", u"stop at once and quit, requested at %s"},
    {TVXRes::VXParagraph, "VXParagraph", u"paragraph"},
    {TVXRes::VXParagraphEndMarkedBy, "VXParagraphEndMarkedBy", u"Paragraph end marked by %s"},
    {TVXRes::VXParagraphStartMarkedBy, "VXParagraphStartMarkedBy", u"Paragraph start marked by %s"},
    {TVXRes::VXParts, "VXParts", u"Parts"},
    {TVXRes::VXPaste, "VXPaste", u"Paste"},
    {TVXRes::VXPasteCharacter, "VXPasteCharacter", u"Paste %s"},
    {TVXRes::VXPathAndFilename, "VXPathAndFilename", u"Path and file name"},
    {TVXRes::VXPathToTheFile, "VXPathToTheFile", u"Path to the file"},
    {TVXRes::VXPatterns, "VXPatterns", u"Patterns"},
    {TVXRes::VXPause, "VXPause", u"Pause"},
    {TVXRes::VXPercentWordsFoundInRefCorpus, "VXPercentWordsFoundInRefCorpus", u"%s%% of the words were found in the reference corpus"},
    {TVXRes::VXPercentsOfLinesFoundBeforeStopList, "VXPercentsOfLinesFoundBeforeStopList",
     u"Percentages below are of the %d lines found, %d of them removed by the stop list"},
    {TVXRes::VXPhraseFrames, "VXPhraseFrames", u"Phrase frames"},
    {TVXRes::VXPlotDetails, "VXPlotDetails", u"plot details"},
    {TVXRes::VXPlotPositions, "VXPlotPositions", u"Plot positions"},
    {TVXRes::VXPlots, "VXPlots", u"Plots"},
    {TVXRes::VXPortrait, "VXPortrait", u"portrait"},
    {TVXRes::VXPositions, "VXPositions", u"Positions"},
    {TVXRes::VXPrefix, "VXPrefix", u"Prefix"},
    {TVXRes::VXPrintNPages, "VXPrintNPages", u"Print %d pages?"},
    {TVXRes::VXPrintPreview, "VXPrintPreview", u"Print preview"},
    {TVXRes::VXPrinternameAndPortraitOrLandScape, "VXPrinternameAndPortraitOrLandScape", u"%s (%s)"},
    {TVXRes::VXProblemMakingX, "VXProblemMakingX", u"Problem making the %s (%s)"},
    {TVXRes::VXProcedureEquals, "VXProcedureEquals", u"Procedure = %s"},
    {TVXRes::VXProcessingNRelatedClusters, "VXProcessingNRelatedClusters", u"Processing %s related clusters of %d to %d words"},
    {TVXRes::VXProcessingNmanyFiles, "VXProcessingNmanyFiles", u"Processing %d files"},
    {TVXRes::VXPunctuation, "VXPunctuation", u"punctuation"},
    {TVXRes::VXR, "VXR", u"R"},
    {TVXRes::VXREduceData, "VXREduceData", u"Reduce data"},
    {TVXRes::VXReferenceCorpus, "VXReferenceCorpus", u"Reference corpus"},
    {TVXRes::VXRelatedClustersOfX, "VXRelatedClustersOfX", u"Clusters related to %s"},
    {TVXRes::VXRelationships, "VXRelationships", u"relationships"},
    {TVXRes::VXRelativeEntropy, "VXRelativeEntropy", u"Relative entropy"},
    {TVXRes::VXRemoveMarkup, "VXRemoveMarkup", u"Remove mark-up"},
    {TVXRes::VXRemoveMatchMarking, "VXRemoveMatchMarking", u"Remove match marking"},
    {TVXRes::VXRequireXinContext, "VXRequireXinContext", u"Require %s in the context?"},
    {TVXRes::VXRequirementsEqX, "VXRequirementsEqX", u"Requirements = %s"},
    {TVXRes::VXRestoreMarkup, "VXRestoreMarkup", u"Restore mark-up"},
    {TVXRes::VXResume, "VXResume", u"Resume"},
    {TVXRes::VXReverseAlphabetical, "VXReverseAlphabetical", u"Reverse alphabetical"},
    {TVXRes::VXReverseDeletion, "VXReverseDeletion", u"Reverse the deletion marks of every row?"},
    {TVXRes::VXRight, "VXRight", u"Right"},
    {TVXRes::VXRowNumber, "VXRowNumber", u"Row"},
    {TVXRes::VXSDX, "VXSDX", u"Standard deviation of %s"},
    {TVXRes::VXSaveAsExcel, "VXSaveAsExcel", u"Save as spreadsheet"},
    {TVXRes::VXSaveAsOther, "VXSaveAsOther", u"Save as %s"},
    {TVXRes::VXSaveAsPlainText, "VXSaveAsPlainText", u"Save as plain text"},
    {TVXRes::VXSaveAsXML, "VXSaveAsXML", u"Save as XML"},
    {TVXRes::VXSaveTextFileDataCanList, "VXSaveTextFileDataCanList", u"(save the text-file data to list them all)"},
    {TVXRes::VXSaveTheseSettings, "VXSaveTheseSettings", u"Save these %s settings?"},
    {TVXRes::VXSaveasRTF, "VXSaveasRTF", u"Save as rich text"},
    {TVXRes::VXSaving, "VXSaving", u"Saving"},
    {TVXRes::VXSearch, "VXSearch", u"Search"},
    {TVXRes::VXSearchAndReplace, "VXSearchAndReplace", u"Search and replace"},
    {TVXRes::VXSearchTip, "VXSearchTip", u"Choose a column, type what to look for, then press Search."},
    {TVXRes::VXSearchWithin, "VXSearchWithin", u"search within %s"},
    {TVXRes::VXSearchWord, "VXSearchWord", u"Search word"},
    {TVXRes::VXSearchWordsNString, "VXSearchWordsNString", u"Search words %s"},
    {TVXRes::VXSecondsPerWord, "VXSecondsPerWord", u"Seconds per word"},
    {TVXRes::VXSection, "VXSection", u"section"},
    {TVXRes::VXSectionEndMarkedBy, "VXSectionEndMarkedBy", u"Section end marked by %s"},
    {TVXRes::VXSectionN, "VXSectionN", u"Section %d"},
    {TVXRes::VXSectionStartMarkedBy, "VXSectionStartMarkedBy", u"Section start marked by %s"},
    {TVXRes::VXSeekingX, "VXSeekingX", u"Seeking %s"},
    {TVXRes::VXSelected, "VXSelected", u"selected"},
    {TVXRes::VXSelectingBetween, "VXSelectingBetween", u"Selecting between texts"},
    {TVXRes::VXSelectingWithin, "VXSelectingWithin", u"Selecting within texts"},
    {TVXRes::VXSentence, "VXSentence", u"sentence"},
    {TVXRes::VXSentenceEndMarkedBy, "VXSentenceEndMarkedBy", u"Sentence end marked by %s"},
    {TVXRes::VXSentenceOnly, "VXSentenceOnly", u"sentence only"},
    {TVXRes::VXSentenceStartMarkedBy, "VXSentenceStartMarkedBy", u"Sentence start marked by %s"},
    {TVXRes::VXSentences, "VXSentences", u"sentences"},
    {TVXRes::VXSet, "VXSet", u"Set"},
    {TVXRes::VXSettings, "VXSettings", u"Settings"},
    {TVXRes::VXShow, "VXShow", u"Show"},
    {TVXRes::VXShowInExistingConcordance, "VXShowInExistingConcordance", u"show it in the existing concordance"},
    {TVXRes::VXShowPairsBothWays, "VXShowPairsBothWays", u"Show pairs both ways"},
    {TVXRes::VXShowX, "VXShowX", u"Show %s"},
    {TVXRes::VXSingleByteFormat, "VXSingleByteFormat", u"Single-byte format"},
    {TVXRes::VXSize, "VXSize", u"Size"},
    {TVXRes::VXSort, "VXSort", u"Sort"},
    {TVXRes::VXSourceFilename, "VXSourceFilename", u"%s: source file %s"},
    {TVXRes::VXStart, "VXStart", u"at the start of a word"},
    {TVXRes::VXStatistics, "VXStatistics", u"Statistics"},
    {TVXRes::VXStopAt, "VXStopAt", u"Stop at %s"},
    {TVXRes::VXStopAtEndOfText, "VXStopAtEndOfText", u"stop at the end of the text"},
    {TVXRes::VXStopAtXBreak, "VXStopAtXBreak", u"stop at a %s break"},
    {TVXRes::VXStopList, "VXStopList", u"Stop list"},
    {TVXRes::VXStopListItems, "VXStopListItems", u"Stop-list items"},
    {TVXRes::VXStopListWords, "VXStopListWords", u"stop-list words"},
    {TVXRes::VXStopped, "VXStopped", u"Stopped"},
    {TVXRes::VXStoppingASAP, "VXStoppingASAP", u"stopping as soon as possible, requested at %s"},
    {TVXRes::VXStoppingAtEOF, "VXStoppingAtEOF", u"stopping at the end of the current text, requested at %s"},
    {TVXRes::VXStudyWordlist, "VXStudyWordlist", u"Study word list"},
    {TVXRes::VXSuffix, "VXSuffix", u"Suffix"},
    {TVXRes::VXSymbolsTreatedAsCharacters, "VXSymbolsTreatedAsCharacters", u"Symbols treated as letters: %s"},
    {TVXRes::VXTagFile, "VXTagFile", u"Tag file"},
    {TVXRes::VXTagFormatWrong, "VXTagFormatWrong", u"Not in the expected format: \"%s\" (%s)"},
    {TVXRes::VXTagTreatmentIs, "VXTagTreatmentIs", u"Tag treatment: %s"},
    {TVXRes::VXTagfileTags, "VXTagfileTags", u"tag-file tags"},
    {TVXRes::VXTags, "VXTags", u"tags"},
    {TVXRes::VXTagsToExcludeHandled, "VXTagsToExcludeHandled", u"Tags to exclude handled: %s"},
    {TVXRes::VXTagsToKeepHandled, "VXTagsToKeepHandled", u"Tags to keep handled: %s"},
    {TVXRes::VXTagsToTranslateHandled, "VXTagsToTranslateHandled", u"Tags to translate handled: %s"},
    {TVXRes::VXTessorineList, "VXTessorineList", u"%s list"},
    {TVXRes::VXTessorineTools, "VXTessorineTools", u"Tessorine Tools"},
    {TVXRes::VXTestN, "VXTestN", u"test %d"},
    {TVXRes::VXTextDispersion, "VXTextDispersion", u"Text dispersion"},
    {TVXRes::VXTextFile, "VXTextFile", u"text file"},
    {TVXRes::VXTextFiles, "VXTextFiles", u"Texts"},
    {TVXRes::VXTexts, "VXTexts", u"texts"},
    {TVXRes::VXTextsNString, "VXTextsNString", u"Texts %s"},
    {TVXRes::VXTheseFiles, "VXTheseFiles", u"these files (%s)"},
    {TVXRes::VXTimeLineData, "VXTimeLineData", u"Time-line data"},
    {TVXRes::VXTimeLineList, "VXTimeLineList", u"Time-line"},
    {TVXRes::VXTimelines, "VXTimelines", u"Time-lines"},
    {TVXRes::VXToLeftAndRight, "VXToLeftAndRight", u"To left and right"},
    {TVXRes::VXTokens, "VXTokens", u"tokens"},
    {TVXRes::VXTookNMs, "VXTookNMs", u"took %d ms"},
    {TVXRes::VXTookNSeconds, "VXTookNSeconds", u"took %d seconds"},
    {TVXRes::VXTookX, "VXTookX", u"took %s"},
    {TVXRes::VXTotal, "VXTotal", u"Total"},
    {TVXRes::VXTotalN, "VXTotalN", u"Total: %d"},
    {TVXRes::VXTotalXEquals, "VXTotalXEquals", u"Total %s = %d"},
    {TVXRes::VXTryingX, "VXTryingX", u"Trying %s"},
    {TVXRes::VXUTF8, "VXUTF8", u"UTF-8 text"},
    {TVXRes::VXUndefinedTags, "VXUndefinedTags", u"undefined tags"},
    {TVXRes::VXUnicode, "VXUnicode", u"Unicode"},
    {TVXRes::VXUnsaved, "VXUnsaved", u"unsaved"},
    {TVXRes::VXVersion, "VXVersion", u"Version %s"},
    {TVXRes::VXVideoLanPlayerNeeded, "VXVideoLanPlayerNeeded", u"Playing %s files needs the VLC media player."},
    {TVXRes::VXVideoLanPlayerState, "VXVideoLanPlayerState", u"Media player state: %s"},
    {TVXRes::VXWanted, "VXWanted", u"Wanted"},
    {TVXRes::VXWarning, "VXWarning", u"Warning"},
    {TVXRes::VXWholeLinesSavedPerEntry, "VXWholeLinesSavedPerEntry", u"whole lines saved per entry"},
    {TVXRes::VXWithColumnTotals, "VXWithColumnTotals", u"with column totals"},
    {TVXRes::VXWord, "VXWord", u"word"},
    {TVXRes::VXWordLength, "VXWordLength", u"Word length"},
    {TVXRes::VXWordLengths, "VXWordLengths", u"Word lengths"},
    {TVXRes::VXWordList, "VXWordList", u"Word list"},
    {TVXRes::VXWordListMustMatchCorpus, "VXWordListMustMatchCorpus", u"Choose a word list made from texts like those of your corpus."},
    {TVXRes::VXWordNIs, "VXWordNIs", u"%d: %s"},
    {TVXRes::VXWords, "VXWords", u"words"},
    {TVXRes::VXWorkingPercent, "VXWorkingPercent", u"Working percentage"},
    {TVXRes::VXXBasis, "VXXBasis", u"%s basis"},
    {TVXRes::VXXColumn, "VXXColumn", u"%s column"},
    {TVXRes::VXXColumnData, "VXXColumnData", u"%s column data"},
    {TVXRes::VXXColumnTooWide, "VXXColumnTooWide", u"%s: a column was too wide for the page and has been narrowed"},
    {TVXRes::VXXContainingYWillBEExcludedQ, "VXXContainingYWillBEExcludedQ", u"%s containing %s will be excluded"},
    {TVXRes::VXXEqualsAndSpan, "VXXEqualsAndSpan", u"Tags to ignore: %s, span %s"},
    {TVXRes::VXXIncludedTF, "VXXIncludedTF", u"%s included: %s"},
    {TVXRes::VXXNotFound, "VXXNotFound", u"%s not found"},
    {TVXRes::VXXNow, "VXXNow", u"%s now?"},
    {TVXRes::VXXORYNotFoundOrFaulty, "VXXORYNotFoundOrFaulty", u"%s or %s is missing or damaged."},
    {TVXRes::VXXReachedYourPresetLimitsY, "VXXReachedYourPresetLimitsY", u"%s reached your preset limit (%s)"},
    {TVXRes::VXXSavedOK, "VXXSavedOK", u"%s saved OK"},
    {TVXRes::VXXScoreEqualsX, "VXXScoreEqualsX", u"%s score = %s"},
    {TVXRes::VXXStrength, "VXXStrength", u"%s strength"},
    {TVXRes::VXXTextFiles, "VXXTextFiles", u"%d text files (%s)"},
    {TVXRes::VXXToolMainControllerSettings, "VXXToolMainControllerSettings", u"%s settings (in the controller)"},
    {TVXRes::VXXWordClusters, "VXXWordClusters", u"Clusters of %d to %d words"},
    {TVXRes::VXXforRowNOnlyQ, "VXXforRowNOnlyQ", u"%s for row %d only?"},
    {TVXRes::VXXtoYWordClusters, "VXXtoYWordClusters", u"Clusters of %d to %d words"},
    {TVXRes::VXYOucanMake, "VXYOucanMake", u"You can make one %s, or one per text"},
    {TVXRes::VXYes, "VXYes", u"yes"},
    {TVXRes::VXYouHaveNTextsChosen, "VXYouHaveNTextsChosen", u"You have %d texts chosen"},
    {TVXRes::VXZipFileWillBeInSections, "VXZipFileWillBeInSections", u"the zip file will be made in sections"},
    {TVXRes::VXZippedText, "VXZippedText", u"Zipped text"},
    {TVXRes::VXZipping, "VXZipping", u"Zipping"},
    {TVXRes::VXimported, "VXimported", u"imported"},
};
static_assert(std::size(kRes) == static_cast<size_t>(TVXRes::Count), "one text per identifier");

constexpr bool RowsInOrder() {
  for (size_t i = 0; i < std::size(kRes); ++i) {
    if (static_cast<size_t>(kRes[i].id) != i) return false;
    if (i > 0 && !(std::string_view(kRes[i - 1].name) < std::string_view(kRes[i].name))) return false;
  }
  return true;
}
static_assert(RowsInOrder(), "rows in identifier order, names sorted");

}  // namespace

UString VXRes(TVXRes id) {
  const auto i = static_cast<size_t>(id);
  return i < std::size(kRes) ? UString(kRes[i].text) : UString();
}

namespace {

// A whole number as written by IntToUStr; false for anything else (a word, a decimal, a name).
bool IsWholeNumber(UStringView s, int64_t& n) {
  size_t i = !s.empty() && s[0] == u'-' ? 1 : 0;
  if (i == s.size() || s.size() - i > 18) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < u'0' || s[i] > u'9') return false;
    v = v * 10 + (s[i] - u'0');
  }
  n = s[0] == u'-' ? -v : v;
  return true;
}

// The nouns our texts count, plural and singular.
struct TNoun {
  UStringView plural, singular;
};
constexpr TNoun kNouns[] = {{u"text files", u"text file"}, {u"texts", u"text"},     {u"files", u"file"},
                            {u"words", u"word"},           {u"letters", u"letter"}, {u"characters", u"character"},
                            {u"entries", u"entry"},        {u"hits", u"hit"},       {u"tags", u"tag"},
                            {u"tokens", u"token"},         {u"types", u"type"},     {u"pages", u"page"},
                            {u"seconds", u"second"},       {u"plot positions", u"plot position"},
                            {u"lines", u"line"}};

}  // namespace

UString CountFormat(UStringView fmt, std::initializer_list<UStringView> args) {
  UString out;
  out.reserve(fmt.size() + 16);
  auto arg = args.begin();
  for (size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] != u'%' || i + 1 >= fmt.size()) {
      out.push_back(fmt[i]);
      continue;
    }
    const char16_t k = fmt[i + 1];
    if (k == u'%') {
      out.push_back(u'%');
      ++i;
      continue;
    }
    if ((k != u's' && k != u'd') || arg == args.end()) {
      out.push_back(fmt[i]);
      continue;
    }
    const UStringView a = *arg++;
    ++i;
    int64_t n = 0;
    if (k != u'd' || !IsWholeNumber(a, n)) {
      out.append(a);
      continue;
    }
    out += n >= 1000 || n <= -1000 ? GroupedCount(n) : UString(a);
    if (n != 1) continue;
    const UStringView rest = fmt.substr(i + 1);
    for (const TNoun& noun : kNouns) {
      const size_t len = noun.plural.size();
      if (rest.size() > len && rest[0] == u' ' && rest.substr(1, len) == noun.plural &&
          (rest.size() == len + 1 || !std::iswalpha(static_cast<wint_t>(rest[len + 1])))) {
        out += u' ';
        out += noun.singular;
        i += 1 + len;
        break;
      }
    }
  }
  return out;
}

UString VXResFmt(TVXRes id, std::initializer_list<UStringView> args) { return CountFormat(VXRes(id), args); }

const char* VXResName(TVXRes id) {
  const auto i = static_cast<size_t>(id);
  return i < std::size(kRes) ? kRes[i].name : "";
}

bool FindVXRes(std::string_view name, TVXRes& id) {
  if (!name.empty() && name.front() == '_') name.remove_prefix(1);
  const auto* end = std::end(kRes);
  const auto* it = std::lower_bound(std::begin(kRes), end, name,
                                    [](const TResRow& r, std::string_view n) { return std::string_view(r.name) < n; });
  if (it == end || std::string_view(it->name) != name) return false;
  id = it->id;
  return true;
}
