#include "app/public_setup.h"

#include "results/backup_times.h"

namespace poolside {

PublicNames PublicNamesOf(const Options& options) {
  PublicNames mode = PublicNames::Full;
  if (!ParsePublicNames(options.publicNames, mode)) mode = PublicNames::Full;
  return mode;
}

namespace {

QualifierRule QualifierRuleOf(const Options& options) {
  QualifierRule rule;
  for (const std::string& setting : options.qualifiers) ParseQualifierSetting(setting, rule);
  return rule;
}

std::int64_t BackupThresholdOf(const Options& options) {
  return ParseThresholdSeconds(options.backupThreshold).value_or(kDefaultBackupThreshold);
}

}  // namespace

ResultRules ResultRulesOf(const Options& options) {
  return ResultRules{QualifierRuleOf(options), BackupThresholdOf(options)};
}

}  // namespace poolside
