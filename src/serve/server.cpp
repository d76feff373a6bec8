// The HTTP server of `varnholt serve` (cpp-httplib). Each drawing or download
// is one query read by query_job and evaluated as the command line evaluates
// it, against the request's uploads held in memory: no request reads or
// writes a file of the server's by name.
#include <httplib.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "cli/command.h"
#include "common/fatal_error.h"
#include "common/file_system.h"
#include "pipeline/evaluate.h"
#include "serve/query.h"
#include "serve/serve.h"
#include "writers/writers.h"

extern char** environ;

namespace varnholt {
namespace {

// Thrown through the pipeline from its progress callbacks when the page
// cancels the work.
struct Cancelled {};

// The long work of the page's requests by the job id the page gives
// (header X-Varnholt-Job): its progress, and a cancel flag the pipeline's
// progress callbacks look at.
class JobTable {
 public:
  struct Entry {
    std::mutex mutex;
    std::string what;
    int64_t done = 0, total = 0;
    std::atomic<bool> cancel{false};
  };

  // The entry of a new request; null when too many are running.
  std::shared_ptr<Entry> start(const std::string& id) {
    const std::lock_guard lock(mutex_);
    if (entries_.size() >= kMostJobs || entries_.count(id) != 0) return nullptr;
    auto entry = std::make_shared<Entry>();
    if (stopping_) entry->cancel = true;
    entries_[id] = entry;
    return entry;
  }
  void finish(const std::string& id) {
    const std::lock_guard lock(mutex_);
    entries_.erase(id);
  }
  std::shared_ptr<Entry> find(const std::string& id) {
    const std::lock_guard lock(mutex_);
    const auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : it->second;
  }
  void cancel_all() {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    for (auto& [id, entry] : entries_) entry->cancel = true;
  }

 private:
  static constexpr std::size_t kMostJobs = 256;
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Entry>> entries_;
  bool stopping_ = false;
};

bool valid_job_id(const std::string& id) {
  return !id.empty() && id.size() <= 64 && std::all_of(id.begin(), id.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
  });
}

const char* mime_of(Output output) {
  switch (output) {
    case Output::Json: return "application/json";
    case Output::Csv: return "text/csv; charset=utf-8";
    case Output::Html: return "text/html; charset=utf-8";
    default: return "text/plain; charset=utf-8";
  }
}

std::optional<Output> output_named(const std::string& name) {
  for (const Output o : kOutputs) {
    if (name == option_of(o) + 2) return o;
  }
  return std::nullopt;
}

void plain(httplib::Response& res, int status, const std::string& text) {
  res.status = status;
  res.set_content(text + "\n", "text/plain; charset=utf-8");
}

class Server {
 public:
  Server(std::string host, const ServeLimits& limits) : host_(std::move(host)), limits_(limits) {
    server_.set_payload_max_length(limits_.upload);
    // SO_REUSEADDR alone (the library's default adds SO_REUSEPORT, with which
    // a second server would share a port already taken instead of failing).
    server_.set_socket_options([](socket_t sock) {
      int yes = 1;
      setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
      res.set_header("X-Content-Type-Options", "nosniff");
      res.set_header("Cache-Control", "no-store");
      const std::string host = req.get_header_value("Host");
      if (allowed_hosts_.count(host) != 0) return httplib::Server::HandlerResponse::Unhandled;
      plain(res, 403, "Host '" + host + "' is not the address served (" + url_ + ")");
      return httplib::Server::HandlerResponse::Handled;
    });
    server_.set_error_handler([](const httplib::Request&, httplib::Response& res) {
      if (!res.body.empty()) return;
      if (res.status == 404) plain(res, 404, "no such page");
      if (res.status == 413) plain(res, 413, "the request is too large (uploads are capped)");
      if (res.status == 414) plain(res, 414, "the address is too long");
      if (res.status == 400) plain(res, 400, "malformed request");
    });
    server_.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr e) {
          std::string why = "unknown error";
          try {
            std::rethrow_exception(e);
          } catch (const std::exception& x) {
            why = x.what();
          } catch (...) {
          }
          plain(res, 500, "internal error: " + why);
        });
    server_.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(app_page(), "text/html; charset=utf-8");
    });
    const auto draw = [this](const httplib::Request& req, httplib::Response& res) {
      answer(req, res, Output::Html, false, false);
    };
    server_.Get("/draw", draw);
    server_.Post("/draw", draw);
    server_.Post("/analyse", [this](const httplib::Request& req, httplib::Response& res) {
      answer(req, res, Output::Html, false, true);
    });
    const auto download = [this](bool analyse) {
      return [this, analyse](const httplib::Request& req, httplib::Response& res) {
        const auto output = output_named(req.matches[1]);
        if (!output) return plain(res, 404, "no output '" + std::string(req.matches[1]) + "'");
        answer(req, res, *output, true, analyse);
      };
    };
    server_.Get(R"(/download/([a-z]+))", download(false));
    server_.Post(R"(/download/([a-z]+))", download(false));
    server_.Post(R"(/analyse/([a-z]+))", download(true));
    server_.Get(R"(/progress/([A-Za-z0-9_-]{1,64}))",
                [this](const httplib::Request& req, httplib::Response& res) {
                  const auto entry = jobs_.find(req.matches[1]);
                  if (!entry) return plain(res, 404, "no such job");
                  const std::lock_guard lock(entry->mutex);
                  const nlohmann::json j = {
                      {"what", entry->what}, {"done", entry->done}, {"total", entry->total}};
                  res.set_content(j.dump(), "application/json");
                });
    server_.Post(R"(/cancel/([A-Za-z0-9_-]{1,64}))",
                 [this](const httplib::Request& req, httplib::Response& res) {
                   const auto entry = jobs_.find(req.matches[1]);
                   if (!entry) return plain(res, 404, "no such job");
                   entry->cancel = true;
                   res.status = 204;
                 });
  }

  // Binds the port (0: a free one); false when it cannot.
  int bind(int port) {
    if (port == 0) return server_.bind_to_any_port(host_);
    return server_.bind_to_port(host_, port) ? port : -1;
  }

  // The address answered, and the Host headers accepted for it.
  void served_at(int port) {
    const bool v6 = host_.find(':') != std::string::npos;
    const std::string p = ":" + std::to_string(port);
    const std::string shown = v6 ? "[" + host_ + "]" : host_;
    url_ = "http://" + shown + p + "/";
    allowed_hosts_ = {shown + p};
    if (host_ == "127.0.0.1" || host_ == "::1" || host_ == "localhost") {
      allowed_hosts_.insert({"127.0.0.1" + p, "localhost" + p, "[::1]" + p});
    }
    if (port == 80) {
      for (std::string h : std::set<std::string>(allowed_hosts_)) allowed_hosts_.insert(h.substr(0, h.size() - 3));
    }
  }

  const std::string& url() const { return url_; }
  bool listen() { return server_.listen_after_bind(); }
  void stop() {
    jobs_.cancel_all();
    server_.stop();
  }

 private:
  // One output of the request's query (and uploads): the page inline, or a
  // download. 400 with the command line's message for an invalid query.
  void answer(const httplib::Request& req, httplib::Response& res, Output output, bool attachment,
              bool analyse) {
    MemoryFileSystem files;
    std::string circuit;
    for (const auto& [field, file] : req.files) {
      const std::string name = upload_name(file.filename);
      if (files.exists(name)) return plain(res, 400, "two uploads are named '" + name + "'");
      files.put(name, file.content);
      if (field == "circuit") circuit = name;
    }
    if (analyse && circuit.empty()) {
      return plain(res, 400, "analyse: upload the file to analyse as the form field 'circuit'");
    }
    // Every request's work is in the table, so that stopping the server
    // cancels it; one without a job id of its own gets one no route names.
    std::string id = req.get_header_value("X-Varnholt-Job");
    if (!id.empty() && !valid_job_id(id)) {
      return plain(res, 400, "X-Varnholt-Job: letters, digits, - and _ only");
    }
    if (id.empty()) id = "#" + std::to_string(++anonymous_);
    const std::shared_ptr<JobTable::Entry> entry = jobs_.start(id);
    if (!entry) return plain(res, 503, "too many requests at once, or a job id in use");
    struct Finish {
      JobTable& jobs;
      const std::string& id;
      ~Finish() { jobs.finish(id); }
    } finish{jobs_, id};
    try {
      const std::size_t mark = req.target.find('?');
      const std::string query = mark == std::string::npos ? "" : req.target.substr(mark + 1);
      Job job = query_job(decode_query(query), circuit, output, limits_);
      const Progress progress = [entry](const std::string& what, int64_t done, int64_t total) {
        if (entry->cancel) throw Cancelled{};
        const std::lock_guard lock(entry->mutex);
        entry->what = what, entry->done = done, entry->total = total;
      };
      job.practical.yield.progress = [progress](int64_t done, int64_t total) {
        progress("trials", done, total);
      };
      const Result result = evaluate(job, files, local_time, progress);
      std::ostringstream text;
      const auto& [kind, path] = *job.outputs.begin();
      write_output(kind, text, result, {path});
      res.set_content(text.str(), mime_of(output));
      if (attachment) {
        res.set_header("Content-Disposition", "attachment; filename=\"" + path + "\"");
      }
    } catch (const UsageError& e) {
      plain(res, 400, e.what());
    } catch (const FatalError& e) {
      plain(res, 400, e.what());
    } catch (const Cancelled&) {
      plain(res, 409, "cancelled");
    }
  }

  httplib::Server server_;
  std::string host_;
  ServeLimits limits_;
  std::string url_;
  std::set<std::string> allowed_hosts_;
  JobTable jobs_;
  std::atomic<uint64_t> anonymous_{0};
};

int port_of(const Command& c) {
  if (!c.given("--port")) return 8080;
  const std::string& text = c.values.at("--port");
  int port = -1;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), port);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size() || port < 0 || port > 65535) {
    throw UsageError("--port: a whole number from 0 to 65535 (got '" + text + "')");
  }
  return port;
}

// The desktop's browser opened on the page, not waited for.
void open_browser(const std::string& url, std::ostream& err) {
  pid_t pid = 0;
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
    err << "varnholt: --open: cannot start xdg-open; open " << url << " yourself\n";
    return;
  }
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
}

}  // namespace

int serve(const Command& c, CliIo& io) {
  const int port = port_of(c);
  const std::string host = c.given("--host") ? c.values.at("--host") : "127.0.0.1";
  // SIGINT and SIGTERM are taken by a thread of their own (every thread
  // started from here on inherits the mask), which stops the server.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  Server server(host, ServeLimits{});
  errno = 0;
  const int bound = server.bind(port);
  if (bound < 0) {
    const std::string why = errno != 0 ? std::strerror(errno) : "cannot bind";
    if (port == 0) throw UsageError("--host: cannot listen on '" + host + "' (" + why + ")");
    throw UsageError("--port: cannot listen on " + host + ":" + std::to_string(port) + " (" + why +
                     "; is the port taken?)");
  }
  server.served_at(bound);
  io.out << "varnholt: serving " << server.url() << std::endl;
  if (c.given("--open")) open_browser(server.url(), io.err);

  std::atomic<bool> stopped{false};
  std::thread waiter([&] {
    int signal = 0;
    sigwait(&signals, &signal);
    if (signal == SIGUSR1) return;
    stopped = true;
    server.stop();
  });
  const bool listened = server.listen();
  if (!stopped) pthread_kill(waiter.native_handle(), SIGUSR1);
  waiter.join();
  if (!stopped && !listened) throw UsageError("serve: the server stopped unexpectedly");
  io.out << "varnholt: stopped" << std::endl;
  return 0;
}

}  // namespace varnholt
