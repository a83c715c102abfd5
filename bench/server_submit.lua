-- wrk script: POSTs the stored winning run to /api/runs, each request a run
-- of its own (other events, the same result): request n adds one clock
-- second at tick n % 2491 + 1 and n / 2491 more at the winning tick. Every
-- thread takes its own share of n. Set RUN_FILE to the run.
local base, offsets
local n, step = 0, 1

local function load()
  local file = assert(io.open(os.getenv("RUN_FILE"), "rb"))
  -- Without its proof lines: an added clock second changes TIME.
  base = file:read("*a"):gsub("# final[^\n]*\n", ""):gsub("# hash[^\n]*\n", "")
  file:close()
  -- offsets[k]: where the first event after tick k starts.
  offsets = {}
  local at, k = 1, 1
  for line, stop in base:gmatch("([^\n]*)\n()") do
    local tick = tonumber(line:match("^(%d+) "))
    while tick and k < tick and k <= 2491 do
      offsets[k] = at
      k = k + 1
    end
    at = stop
  end
end

function setup(thread)
  thread:set("first", tostring(#(_G.threads or {})))
  _G.threads = _G.threads or {}
  table.insert(_G.threads, thread)
end

function init(args)
  load()
  n = tonumber(first or "0")
  step = tonumber(os.getenv("THREADS") or "1")
  wrk.method = "POST"
  wrk.path = "/api/runs?name=load"
end

function request()
  local k = n % 2491 + 1
  local extra = string.rep("2492 clock\n", math.floor(n / 2491))
  n = n + step
  local body = base:sub(1, offsets[k] - 1) .. k .. " clock\n" .. base:sub(offsets[k]) .. extra
  return wrk.format(nil, nil, nil, body)
end
