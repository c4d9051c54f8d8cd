// The settings record and its defaults.
#include "state/settings.h"

AgentSettings AgentConfig = DefaultAgentSettings();

AgentSettings DefaultAgentSettings() {
  return AgentSettings{};
}

void ResetAgentConfig() {
  AgentConfig = DefaultAgentSettings();
}
