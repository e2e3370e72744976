// PENDING: replaced by the practice, qualifying and race choices.
#include "plugin/rF2kovrel.hpp"

void rF2kovrel::ChoosePractice(const ScoringInfoV01& /*info*/) {}
void rF2kovrel::ChooseQualifying(const ScoringInfoV01& /*info*/) {}
int rF2kovrel::PickRandomPlace(const ScoringInfoV01& /*info*/) { return 0; }
void rF2kovrel::ChooseRace(const ScoringInfoV01& /*info*/) {}
