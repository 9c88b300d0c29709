#pragma once

#include <string>

#include "launcher/core/report_facts.h"

// The query of an attribution event: pairs in a fixed order beginning
// "activity_kind=pc_starter&" and ending with "cpu_type=". Every value is
// percent-encoded, so blanks, "&", "=" and non-ASCII bytes in a value reach
// the service as that value.
class AttributionEventBuilder {
 public:
  // `facts` must outlive the builder.
  explicit AttributionEventBuilder(const ReportFacts& facts) : facts_(facts) {}

  // The values are written only for the three download summaries
  // ("click_launch_pause_game", "download_game_finish",
  // "update_game_finish", compared exactly).
  std::string Build(const std::string& event_name, const std::string& value1,
                    const std::string& value2, const std::string& value3) const;

 private:
  const ReportFacts& facts_;
};
