// Reporting a run: the printed summary, the HTML page and the JSON document.
#pragma once

#include "report/coverage_text.hpp"
#include "report/html_report.hpp"
#include "report/json_report.hpp"
#include "report/summary.hpp"
