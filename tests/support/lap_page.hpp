// The lap-time page's bytes as the overlay must receive them, built from the
// texts of its value cells.
#pragma once

#include <string>

// The page outside a table: the head and the closing tags.
std::string LapPageWithoutTable();

// The page with its table: the three best sectors, the best lap and the
// followed car's running lap, each as the cell shows it.
std::string LapPage(const std::string& sector1, const std::string& sector2,
                    const std::string& sector3, const std::string& bestLap,
                    const std::string& currentLap);
