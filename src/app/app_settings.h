#pragma once

// The adapter index kept in the per-user settings (organisation "DV_TqrApp", application
// "KestIO_Test", value config/net_index).

// The stored index for a table of adapter_count adapters; default_index when nothing is
// stored, and 0 when the value is outside the table.
int load_net_index(int adapter_count, int default_index);
void store_net_index(int net_index);

// Whether the AD test page shows 修改AD时钟 (value ui/ad_clock_button, default false).
bool load_ad_clock_button();
