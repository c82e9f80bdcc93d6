// Every file the show reads, by the path it opens from the working directory.
// The generators write each one under the name after "data/", so a picture is
// named here and nowhere else.
#pragma once

constexpr const char music_file[] = "data/dorvang.ogg";
constexpr const char font_file[] = "data/fonte3.png";

constexpr const char title_file[] = "data/title.png";
constexpr const char flash_file[] = "data/flash.png";

constexpr const char dancer_riding_file[] = "data/zelto_riding.png";
constexpr const char dancer_jamming_file[] = "data/zelto_jamming.png";
constexpr const char dance_graph_file[] = "data/graph_zelto.png";
// By arrow index: left, down, up, right.
constexpr const char* const filled_arrow_files[4] = {"data/ddr_left.png", "data/ddr_down.png",
                                                     "data/ddr_up.png", "data/ddr_right.png"};
constexpr const char* const empty_arrow_files[4] = {
    "data/ddr_empty_left.png", "data/ddr_empty_down.png", "data/ddr_empty_up.png",
    "data/ddr_empty_right.png"};

constexpr const char rider_file[] = "data/nariq_riding.png";
constexpr const char deform_texture_file[] = "data/test_deform.png";
constexpr const char deform_graph_file[] = "data/graph_nariq.png";

constexpr int logo_count = 19;
constexpr const char* const logo_files[logo_count] = {
    "data/greet_00.png", "data/greet_01.png", "data/greet_02.png", "data/greet_03.png",
    "data/greet_04.png", "data/greet_05.png", "data/greet_06.png", "data/greet_07.png",
    "data/greet_08.png", "data/greet_09.png", "data/greet_10.png", "data/greet_11.png",
    "data/greet_12.png", "data/greet_13.png", "data/greet_14.png", "data/greet_15.png",
    "data/greet_16.png", "data/greet_17.png", "data/greet_18.png",
};

constexpr const char lift_graph_file[] = "data/graph_ascenseur.png";
constexpr const char lift_dancer_file[] = "data/ascenceur_zelto.png";

constexpr const char tunnel_texture_file[] = "data/tunnel.png";
constexpr const char tunnel_graph_file[] = "data/graph_jaune.png";
constexpr const char car_file[] = "data/voiture.png";

// The name a generator writes a data file under: the path without "data/".
constexpr const char* data_file_name(const char* path)
{
    return path + 5;
}
