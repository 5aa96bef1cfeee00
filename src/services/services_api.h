#pragma once

#include <cstdint>
#include <type_traits>

// Types and constants of the published InterBase/Firebird client API that the Services API client uses.
// The library is loaded at run time, so they are written out here under their published names.
namespace tervolen::isc {

using ISC_STATUS = std::intptr_t;
using ISC_LONG = std::int32_t;
// A 32-bit handle on 64-bit systems, a pointer on 32-bit ones, as the client library declares it.
using FB_API_HANDLE = std::conditional_t<sizeof(void*) == 8, unsigned int, void*>;
using isc_svc_handle = FB_API_HANDLE;
using isc_resv_handle = FB_API_HANDLE;

inline constexpr int ISC_STATUS_LENGTH = 20;
using StatusVector = ISC_STATUS[ISC_STATUS_LENGTH];

// Service parameter buffer (attach).
inline constexpr std::uint8_t isc_spb_version = 2;
inline constexpr std::uint8_t isc_spb_current_version = 2;
inline constexpr std::uint8_t isc_spb_user_name = 28;
inline constexpr std::uint8_t isc_spb_sys_user_name = 19;
inline constexpr std::uint8_t isc_spb_sys_user_name_enc = 31;
inline constexpr std::uint8_t isc_spb_password = 29;
inline constexpr std::uint8_t isc_spb_password_enc = 30;
inline constexpr std::uint8_t isc_spb_command_line = 105;
inline constexpr std::uint8_t isc_spb_dbname = 106;
inline constexpr std::uint8_t isc_spb_verbose = 107;
inline constexpr std::uint8_t isc_spb_options = 108;
inline constexpr std::uint8_t isc_spb_connect_timeout = 57;
inline constexpr std::uint8_t isc_spb_dummy_packet_interval = 58;
inline constexpr std::uint8_t isc_spb_sql_role_name = 60;

// Service actions.
inline constexpr std::uint8_t isc_action_svc_backup = 1;
inline constexpr std::uint8_t isc_action_svc_restore = 2;
inline constexpr std::uint8_t isc_action_svc_repair = 3;

// Backup items and options.
inline constexpr std::uint8_t isc_spb_bkp_file = 5;
inline constexpr std::uint8_t isc_spb_bkp_factor = 6;
inline constexpr std::uint8_t isc_spb_bkp_length = 7;
inline constexpr std::uint32_t isc_spb_bkp_ignore_checksums = 0x01;
inline constexpr std::uint32_t isc_spb_bkp_ignore_limbo = 0x02;
inline constexpr std::uint32_t isc_spb_bkp_metadata_only = 0x04;
inline constexpr std::uint32_t isc_spb_bkp_no_garbage_collect = 0x08;
inline constexpr std::uint32_t isc_spb_bkp_old_descriptions = 0x10;
inline constexpr std::uint32_t isc_spb_bkp_non_transportable = 0x20;
inline constexpr std::uint32_t isc_spb_bkp_convert = 0x40;

// Restore items and options.
inline constexpr std::uint8_t isc_spb_res_buffers = 9;
inline constexpr std::uint8_t isc_spb_res_page_size = 10;
inline constexpr std::uint8_t isc_spb_res_length = 11;
inline constexpr std::uint32_t isc_spb_res_deactivate_idx = 0x0100;
inline constexpr std::uint32_t isc_spb_res_no_shadow = 0x0200;
inline constexpr std::uint32_t isc_spb_res_no_validity = 0x0400;
inline constexpr std::uint32_t isc_spb_res_one_at_a_time = 0x0800;
inline constexpr std::uint32_t isc_spb_res_replace = 0x1000;
inline constexpr std::uint32_t isc_spb_res_create = 0x2000;
inline constexpr std::uint32_t isc_spb_res_use_all_space = 0x4000;

// Repair options.
inline constexpr std::uint32_t isc_spb_rpr_validate_db = 0x01;
inline constexpr std::uint32_t isc_spb_rpr_sweep_db = 0x02;
inline constexpr std::uint32_t isc_spb_rpr_mend_db = 0x04;
inline constexpr std::uint32_t isc_spb_rpr_list_limbo_trans = 0x08;
inline constexpr std::uint32_t isc_spb_rpr_check_db = 0x10;
inline constexpr std::uint32_t isc_spb_rpr_ignore_checksum = 0x20;
inline constexpr std::uint32_t isc_spb_rpr_kill_shadows = 0x40;
inline constexpr std::uint32_t isc_spb_rpr_full = 0x80;

// Query items and answer tags.
inline constexpr std::uint8_t isc_info_end = 1;
inline constexpr std::uint8_t isc_info_svc_server_version = 55;
inline constexpr std::uint8_t isc_info_svc_line = 62;
inline constexpr std::uint8_t isc_info_svc_limbo_trans = 66;
inline constexpr std::uint8_t isc_info_svc_running = 67;

// Items of the limbo list (the answers to isc_info_svc_limbo_trans).
inline constexpr std::uint8_t isc_spb_tra_id = 18;
inline constexpr std::uint8_t isc_spb_single_tra_id = 19;
inline constexpr std::uint8_t isc_spb_multi_tra_id = 20;
inline constexpr std::uint8_t isc_spb_tra_state = 21;
inline constexpr std::uint8_t isc_spb_tra_host_site = 26;
inline constexpr std::uint8_t isc_spb_tra_remote_site = 27;
inline constexpr std::uint8_t isc_spb_tra_db_path = 28;
inline constexpr std::uint8_t isc_spb_tra_advise = 29;
inline constexpr std::uint8_t isc_spb_tra_id_64 = 46;
inline constexpr std::uint8_t isc_spb_single_tra_id_64 = 47;
inline constexpr std::uint8_t isc_spb_multi_tra_id_64 = 48;

} // namespace tervolen::isc
