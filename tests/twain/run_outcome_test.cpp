#include <gtest/gtest.h>

#include "devices/EZTwain.h"
#include "twain/run_outcome.h"

namespace {

using scan::Acquire;

constexpr std::int32_t code(Acquire a) { return static_cast<std::int32_t>(a); }

TEST(RunOutcome, OnlyARunThatStoppedEarlyIsToldAndOnlyOnce) {
  struct Case {
    const char* what;
    int pages;
    std::int32_t result;  // of the acquisition that ended the run
    QString reason;
    bool pageLost;
    QString told;
  };
  const Case cases[] = {
      {"feeder empty", 3, code(Acquire::NoDocuments), "", false, ""},
      {"Done or Cancel", 1, code(Acquire::Cancelled), "", false, ""},
      {"jammed", 2, code(Acquire::DeviceError), "Document feeder jammed", false,
       "Scanning stopped: Document feeder jammed.\n2 pages were saved, the last as /s/p2.jpg."},
      {"one page, then the disk full", 1, code(Acquire::WriteFailed), "Cannot write /s/p2.bmp: No space left on device.",
       true,
       "Scanning stopped: Cannot write /s/p2.bmp: No space left on device.\n1 page was saved, the last as /s/p1.jpg.\n"
       "The page read last could not be saved; scan it again."},
      {"nothing written", 0, code(Acquire::BadPage), "The scanner sent an incomplete page; it was not saved.", true,
       "Scanning stopped: The scanner sent an incomplete page; it was not saved.\nNo page was saved.\n"
       "The page read last could not be saved; scan it again."},
      {"an answer without a reason", 0, 42, "", false,
       "Scanning stopped: The scanner stopped with code 42.\nNo page was saved."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    twain::RunOutcome run;
    for (int page = 1; page <= c.pages; ++page) twain::PageWritten(run, "/s/p" + QString::number(page) + ".jpg");
    twain::AcquisitionEnded(run, c.result, c.reason, c.pageLost);
    EXPECT_EQ(twain::RunOutcomeMessage(run), c.told);
    run.causeShown = true;  // the library told it already
    EXPECT_EQ(twain::RunOutcomeMessage(run), QString());
  }
}

// Only a page the user cancelled while it was read makes the run
// "Cancelled"; "Done" and an empty feeder end it as its pages ran out.
TEST(RunOutcome, TheSummaryCountsThePagesAndTellsACancelFromTheEnd) {
  struct Case {
    const char* what;
    std::int32_t result;
    bool cancelled, summedAsCancelled;
  };
  const Case cases[] = {
      {"Cancel while a page was read", code(Acquire::Cancelled), true, true},
      {"Done at the prompt", code(Acquire::Cancelled), false, false},
      {"feeder empty", code(Acquire::NoDocuments), false, false},
      {"jammed (not the user's cancel)", code(Acquire::DeviceError), true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    twain::RunOutcome run;
    for (const char* page : {"/s/p1.jpg", "/s/p2.jpg", "/s/p3.jpg"}) twain::PageWritten(run, page);
    twain::AcquisitionEnded(run, c.result, "", false, c.cancelled);
    const stills::ScannerRun summary = twain::SummaryOf(run);
    EXPECT_EQ(summary.pages, 3);
    EXPECT_EQ(summary.first, "/s/p1.jpg");
    EXPECT_EQ(summary.last, "/s/p3.jpg");
    EXPECT_EQ(summary.cancelled, c.summedAsCancelled);
  }
  EXPECT_EQ(twain::SummaryOf({}).pages, 0);
}

}  // namespace
